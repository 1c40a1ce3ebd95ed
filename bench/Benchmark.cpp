// Plays a story with scripted input through the core, as fast as it goes, and prints how fast
// and how big: instructions per second and peak memory. Not a test: figures to compare builds.
//
//   lantern_benchmark STORY [INPUT] [--repeat N] [--no-cache]
//
// --no-cache decodes every instruction each time it runs, as a reference.
#include "machine/zMachine.h"
#include "memory/StoryError.h"
#include "screen/CellSurface.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>

namespace {

using namespace lantern;

// Types the script's lines while the game waits; stops the game when they run out.
class ScriptedHost : public Host {
  public:
    explicit ScriptedHost(std::string script) : m_script(std::move(script)) {}
    void SetKeyboard(Keyboard& keyboard) { m_keyboard = &keyboard; }
    void DoEvents() override {
        if (!m_keyboard || !m_keyboard->Waiting())
            return;
        if (m_position >= m_script.size())
            throw GameStopped{};
        const size_t end = m_script.find('\n', m_position);
        const size_t stop = end == std::string::npos ? m_script.size() : end;
        const std::string line = m_script.substr(m_position, stop - m_position);
        m_position = stop + 1;
        for (char c : line)
            m_keyboard->KeyPress(static_cast<unsigned char>(c));
        m_keyboard->KeyPress(13);
    }
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskYesNo(const std::string&) override { return true; }
    void Beep() override {}

  private:
    std::string m_script;
    size_t m_position = 0;
    Keyboard* m_keyboard = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    std::string storyPath;
    std::string script;
    int repeat = 1;
    bool cache = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--no-cache") == 0) {
            cache = false;
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
        std::fprintf(stderr, "usage: lantern_benchmark STORY [INPUT] [--repeat N] [--no-cache]\n");
        return 2;
    }

    long long instructions = 0;
    size_t printed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < repeat; ++round) {
        CellSurface surface(80, 25);
        ScriptedHost host(script);
        zMachine machine(host, surface, 1);
        host.SetKeyboard(machine.Keys());
        machine.SetPagingWait(false);
        machine.SetInstructionCache(cache);
        machine.SetTranscript([&](std::string_view text) { printed += text.size(); });
        machine.PrepareScreen(80, 24);
        try {
            machine.LoadStory(storyPath);
            machine.StartGame();
            machine.RunLoop();
        } catch (const GameStopped&) {
        } catch (const std::exception& e) {
            std::fprintf(stderr, "lantern_benchmark: %s\n", e.what());
            return 1;
        }
        instructions += static_cast<long long>(machine.InstructionCount());
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("story            %s\n", storyPath.c_str());
    std::printf("rounds           %d\n", repeat);
    std::printf("instructions     %lld\n", instructions);
    std::printf("characters out   %zu\n", printed);
    std::printf("seconds          %.3f\n", seconds);
    std::printf("instructions/s   %.0f\n",
                seconds > 0 ? static_cast<double>(instructions) / seconds : 0.0);
    std::printf("peak memory KiB  %ld\n", usage.ru_maxrss);
    return 0;
}
