// Plays a story with scripted input through the core, as fast as it goes, and prints how fast
// and how big: instructions per second, peak memory and how often the heap was asked for
// memory. Not a test: figures to compare builds.
//
//   lantern_benchmark STORY [INPUT] [--repeat N] [--no-cache]
//   lantern_window_benchmark ...      (the same on the window's surface)
//
// --no-cache decodes every instruction each time it runs, as a reference.
#include "BenchmarkSurface.h"
#include "memory/StoryError.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <sys/resource.h>

// Every allocation of the program is counted, so that the benchmark shows whether running a
// story asks the heap for memory as it goes (it should not, once it has started).
namespace {
unsigned long long g_allocations = 0;

void* Allocate(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    ++g_allocations;
    const auto align = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(align, (size + align - 1) / align * align))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

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
    unsigned long long startAllocations = 0;
    unsigned long long runAllocations = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < repeat; ++round) {
        const std::unique_ptr<BenchmarkSurface> surface = MakeBenchmarkSurface();
        ScriptedHost host(script);
        zMachine machine(host, surface->Get(), 1);
        host.SetKeyboard(machine.Keys());
        machine.SetPagingWait(false);
        machine.SetInstructionCache(cache);
        machine.SetTranscript([&](std::string_view text) { printed += text.size(); });
        surface->Prepare(machine);
        unsigned long long before = g_allocations;
        try {
            machine.LoadStory(storyPath);
            machine.StartGame();
            startAllocations += g_allocations - before;
            before = g_allocations;
            machine.RunLoop();
            runAllocations += g_allocations - before;
        } catch (const GameStopped&) {
            runAllocations += g_allocations - before;
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
    // Heap allocations of all rounds together: loading and starting the story, then running it
    // (from its first instruction to its end), then the whole program's.
    std::printf("allocations to start  %llu\n", startAllocations);
    std::printf("allocations running   %llu\n", runAllocations);
    std::printf("allocations in all    %llu\n", g_allocations);
    return 0;
}
