// The benchmark on console mode's surface: a grid of 80 by 25 character cells.
#include "BenchmarkSurface.h"
#include "screen/CellSurface.h"

namespace lantern {

namespace {

class CellBenchmarkSurface : public BenchmarkSurface {
  public:
    Surface& Get() override { return m_surface; }
    void Prepare(zMachine& machine) override { machine.PrepareScreen(80, 24); }

  private:
    CellSurface m_surface{80, 25};
};

} // namespace

std::unique_ptr<BenchmarkSurface> MakeBenchmarkSurface() {
    return std::make_unique<CellBenchmarkSurface>();
}

} // namespace lantern
