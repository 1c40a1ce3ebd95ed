// The benchmark on the window's surface: a QImage painted with QPainter, 1000 by 700 pixels,
// with the screen laid out as the window lays it out. Run it with QT_QPA_PLATFORM=offscreen.
#include "BenchmarkSurface.h"
#include "window/QtSurface.h"

#include <QGuiApplication>
#include <algorithm>

namespace lantern {

namespace {

class WindowBenchmarkSurface : public BenchmarkSurface {
  public:
    Surface& Get() override { return m_surface; }
    void Prepare(zMachine& machine) override {
        m_surface.SelectFont(true, false, false);
        const int cell = std::max(m_surface.MeasureText("0").height, 1);
        machine.PrepareScreen(m_surface.Width() - 5, (m_surface.Height() - 5) / cell * cell);
    }

  private:
    QtSurface m_surface{1000, 700};
};

} // namespace

std::unique_ptr<BenchmarkSurface> MakeBenchmarkSurface() {
    // Fonts need the application; it lives as long as the program.
    static int argc = 1;
    static char name[] = "lantern_window_benchmark";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    return std::make_unique<WindowBenchmarkSurface>();
}

} // namespace lantern
