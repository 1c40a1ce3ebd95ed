// Plays a graphical (version 6) story with its pictures on the window's surface under the
// complete Z-machine and prints how fast its pictures come and how much memory it takes. Not a
// test: figures to compare builds. Run it with QT_QPA_PLATFORM=offscreen.
//
//   lantern_picture_benchmark STORY [INPUT] [--size WxH] [--shots DIR] [--redraws N]
//                             [--trace FILE]
//
// It prints the time from the start to the first picture drawn (the title picture), the time
// to draw a picture over the whole window again (the largest picture, averaged over N redraws,
// scaled to the screen) and the peak memory of the whole run. INPUT holds a line for each
// input: the line is typed, followed by Enter; "#click X Y" clicks at (X, Y), "#key N"
// presses key N and "#resize WxH" gives the screen a new size instead. --shots writes the screen as
// DIR/NNN.png at every input.
#include "machine/zMachine.h"
#include "memory/StoryError.h"
#include "window/QtSurface.h"

#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/resource.h>

namespace {

using namespace lantern;
using Clock = std::chrono::steady_clock;

// The window's surface, noting when the first picture is drawn.
class TimedSurface : public Surface {
  public:
    TimedSurface(int width, int height) : m_surface(width, height) {}
    QtSurface& Inner() { return m_surface; }
    std::optional<Clock::time_point> FirstPicture() const { return m_firstPicture; }

    int Width() const override { return m_surface.Width(); }
    int Height() const override { return m_surface.Height(); }
    void SelectFont(bool f, bool b, bool i) override { m_surface.SelectFont(f, b, i); }
    TextExtent MeasureText(std::string_view text) override { return m_surface.MeasureText(text); }
    void DrawText(int x, int y, std::string_view text) override { m_surface.DrawText(x, y, text); }
    void SetTextColour(Colour c) override { m_surface.SetTextColour(c); }
    Colour TextColour() const override { return m_surface.TextColour(); }
    void SetBackColour(Colour c) override { m_surface.SetBackColour(c); }
    Colour BackColour() const override { return m_surface.BackColour(); }
    void FillRect(int l, int t, int r, int b, Colour c) override {
        m_surface.FillRect(l, t, r, b, c);
    }
    void CopyBlock(int sx, int sy, int w, int h, int dx, int dy) override {
        m_surface.CopyBlock(sx, sy, w, h, dx, dy);
    }
    void Invalidate(int, int, int, int) override {}
    void Resize(int w, int h, Colour fill) override { m_surface.Resize(w, h, fill); }
    void SetTextClip(std::optional<Rect> clip) override { m_surface.SetTextClip(clip); }
    bool DrawsPictures() const override { return true; }
    void DrawPicture(const PictureDraw& picture) override {
        m_surface.DrawPicture(picture);
        if (!m_firstPicture)
            m_firstPicture = Clock::now();
        if (!m_largest ||
            picture.Target.Width() * static_cast<int64_t>(picture.Target.Height()) >
                m_largest->Target.Width() * static_cast<int64_t>(m_largest->Target.Height()))
            m_largest = picture;
    }
    std::optional<Colour> PixelAt(int x, int y) const override { return m_surface.PixelAt(x, y); }
    const std::optional<PictureDraw>& Largest() const { return m_largest; }

  private:
    QtSurface m_surface;
    std::optional<Clock::time_point> m_firstPicture;
    std::optional<PictureDraw> m_largest;
};

// Types the script's lines while the game waits; stops the game when they run out.
class ScriptedHost : public Host {
  public:
    ScriptedHost(std::string script, TimedSurface& surface, std::string shots)
        : m_script(std::move(script)), m_surface(surface), m_shots(std::move(shots)) {}
    void SetKeyboard(Keyboard& keyboard) { m_keyboard = &keyboard; }
    void SetMachine(zMachine& machine) { m_machine = &machine; }
    void DoEvents() override {
        if (!m_keyboard || !m_keyboard->Waiting())
            return;
        if (!m_shots.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "/%03d.png", m_shot++);
            m_surface.Inner().Image().save(QString::fromStdString(m_shots + name));
        }
        if (m_position >= m_script.size())
            throw GameStopped{};
        const size_t end = m_script.find('\n', m_position);
        const size_t stop = end == std::string::npos ? m_script.size() : end;
        const std::string line = m_script.substr(m_position, stop - m_position);
        m_position = stop + 1;
        int x = 0, y = 0, key = 0;
        if (std::sscanf(line.c_str(), "#resize %dx%d", &x, &y) == 2 && m_machine) {
            m_machine->ResizeScreen(x, y);
            return;
        }
        if (std::sscanf(line.c_str(), "#click %d %d", &x, &y) == 2) {
            m_keyboard->MouseClick(x, y, false);
            return;
        }
        if (std::sscanf(line.c_str(), "#key %d", &key) == 1) {
            m_keyboard->KeyPress(key);
            return;
        }
        for (char c : line)
            m_keyboard->KeyPress(static_cast<unsigned char>(c));
        m_keyboard->KeyPress(13);
    }
    void ShowMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string&) override { return true; }
    void Beep() override {}
    bool OffersMouse() const override { return true; }

  private:
    std::string m_script;
    TimedSurface& m_surface;
    std::string m_shots;
    int m_shot = 0;
    size_t m_position = 0;
    Keyboard* m_keyboard = nullptr;
    zMachine* m_machine = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    std::string storyPath;
    std::string script;
    std::string shots;
    std::string trace;
    int width = 1000;
    int height = 700;
    int redraws = 100;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            std::sscanf(argv[++i], "%dx%d", &width, &height);
        } else if (std::strcmp(argv[i], "--shots") == 0 && i + 1 < argc) {
            shots = argv[++i];
        } else if (std::strcmp(argv[i], "--trace") == 0 && i + 1 < argc) {
            trace = argv[++i];
        } else if (std::strcmp(argv[i], "--redraws") == 0 && i + 1 < argc) {
            redraws = std::max(1, std::atoi(argv[++i]));
        } else if (storyPath.empty()) {
            storyPath = argv[i];
        } else {
            std::ifstream in(argv[i], std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            script = text.str();
        }
    }
    if (storyPath.empty()) {
        std::fprintf(stderr, "usage: lantern_picture_benchmark STORY [INPUT] [--size WxH] "
                             "[--shots DIR] [--redraws N]\n");
        return 2;
    }
    int qtArgc = 1;
    char name[] = "lantern_picture_benchmark";
    char* qtArgv[] = {name, nullptr};
    QGuiApplication application(qtArgc, qtArgv);

    TimedSurface surface(width, height);
    ScriptedHost host(script, surface, shots);
    zMachine machine(host, surface, 1);
    host.SetKeyboard(machine.Keys());
    host.SetMachine(machine);
    machine.SetStandard(true);
    machine.SetPagingWait(false);
    machine.PrepareScreen(width, height);
    const auto start = Clock::now();
    if (!trace.empty())
        machine.SetTraceFile(trace);
    const GameOutcome outcome = machine.RunGame(storyPath);
    if (outcome.kind == GameOutcome::Kind::LoadFailed || outcome.kind == GameOutcome::Kind::Fault)
        return 1;
    if (!shots.empty())
        surface.Inner().Image().save(QString::fromStdString(shots + "/last.png"));
    auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    std::printf("story                  %s\n", storyPath.c_str());
    std::printf("screen                 %dx%d\n", width, height);
    if (surface.FirstPicture())
        std::printf("first picture ms       %.1f\n", ms(*surface.FirstPicture() - start));
    else
        std::printf("first picture ms       (no picture drawn)\n");
    if (const auto& largest = surface.Largest()) {
        // The largest picture drawn, at the whole screen's size, drawn again and again.
        PictureDraw whole = *largest;
        whole.Key ^= uint64_t{1} << 63; // a picture of its own, never drawn at this size yet
        whole.Target = Rect{0, 0, surface.Width(), surface.Height()};
        whole.Clip = whole.Target;
        // Scaled and kept the first time, as a redraw then finds it.
        const auto first = Clock::now();
        surface.Inner().DrawPicture(whole);
        std::printf("full-window first ms   %.3f\n", ms(Clock::now() - first));
        const auto before = Clock::now();
        for (int i = 0; i < redraws; ++i)
            surface.Inner().DrawPicture(whole);
        std::printf("full-window redraw ms  %.3f\n", ms(Clock::now() - before) / redraws);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("instructions           %llu\n",
                static_cast<unsigned long long>(machine.InstructionCount()));
    std::printf("pictures kept KiB      %lld\n",
                static_cast<long long>(surface.Inner().Pictures().Bytes() / 1024));
    std::printf("peak memory KiB        %ld\n", usage.ru_maxrss);
    return 0;
}
