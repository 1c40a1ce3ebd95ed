// How fast sounds start, on the real device: from SOUND_EFFECT to the first sample of its sound
// mixed into the audio library's buffer, and the processor time a story takes to start 1,000
// effects. Not a test: figures to compare builds.
//
//   lantern_sound_benchmark [STORY] [--starts N]
//
// STORY is the sounds story of the tests (build/stories/sounds.z5, with sounds.blb beside it),
// whose command "now" starts a 40 ms effect and waits for its end, and "burst" starts 1,000
// effects. SDL_AUDIODRIVER chooses the output (by default "dummy", which plays in real time
// without a sound card).
#include "console/ScriptHost.h"
#include "machine/zMachine.h"
#include "screen/CellSurface.h"
#include "sound/SdlSound.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The SDL device, with the time of the first thing each SOUND_EFFECT asks of it (whether its
// sound is loaded) and of the start it makes.
class TimedSound : public lantern::SoundDevice {
  public:
    lantern::SdlSound device;
    Clock::time_point asked;
    Clock::time_point played;

    bool Open() override { return device.Open(); }
    bool Load(int number, lantern::SoundFormat format, std::span<const uint8_t> bytes) override {
        return device.Load(number, format, bytes);
    }
    bool IsLoaded(int number) const override {
        const_cast<TimedSound*>(this)->asked = Clock::now();
        return device.IsLoaded(number);
    }
    void Play(const lantern::SoundStart& start) override {
        played = Clock::now();
        device.Play(start);
    }
    void Stop(int number) override { device.Stop(number); }
    void Unload(int number) override { device.Unload(number); }
    void Bleep(int which) override { device.Bleep(which); }
    std::vector<uint32_t> TakeFinished() override { return device.TakeFinished(); }
    void SetWakeUp(std::function<void()> wake) override { device.SetWakeUp(std::move(wake)); }
    void SetPlayerVolume(int percent) override { device.SetPlayerVolume(percent); }
};

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Plays the story with these commands; the sound device is sound.
void Play(const std::string& story, const std::string& commands, TimedSound& sound,
          const std::function<void()>& afterEachCommand = {}) {
    std::istringstream input(commands);
    std::ostringstream errors;
    lantern::CellSurface surface(80, 24);
    lantern::ScriptHost host(input, errors);
    host.SetSound(&sound);
    lantern::zMachine machine(host, surface, 1);
    host.SetKeyboard(machine.Keys());
    machine.SetStandard(true);
    machine.SetPagingWait(false);
    int reads = 0;
    machine.SetTranscript([&](std::string_view text) {
        if (text.find('>') != std::string_view::npos && afterEachCommand && reads++ > 0)
            afterEachCommand();
    });
    machine.PrepareScreen(80, 24);
    const lantern::GameOutcome outcome = machine.RunGame(story);
    if (outcome.kind != lantern::GameOutcome::Kind::Quit)
        std::fprintf(stderr, "lantern_sound_benchmark: the story did not play through: %s%s\n",
                     outcome.message.c_str(), errors.str().c_str());
}

} // namespace

int main(int argc, char** argv) {
    std::string story = LANTERN_BENCH_SOUNDS;
    int starts = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--starts") == 0 && i + 1 < argc)
            starts = std::max(1, std::atoi(argv[++i]));
        else
            story = argv[i];
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    TimedSound sound;
    if (!sound.Open()) {
        std::fprintf(stderr, "lantern_sound_benchmark: no audio output (SDL_AUDIODRIVER=%s)\n",
                     std::getenv("SDL_AUDIODRIVER"));
        return 1;
    }

    // Effects started one at a time, each waited for: SOUND_EFFECT to its first sample mixed.
    std::string commands;
    for (int i = 0; i < starts; ++i)
        commands += "now\n";
    std::vector<double> delays;
    Play(story, commands + "quit\n", sound, [&] {
        if (const auto mixed = sound.device.LastStartDelay())
            delays.push_back(
                std::chrono::duration<double, std::milli>(sound.played - sound.asked + *mixed)
                    .count());
    });
    if (delays.empty()) {
        std::fprintf(stderr, "lantern_sound_benchmark: no effect was heard\n");
        return 1;
    }
    std::sort(delays.begin(), delays.end());
    std::printf("SOUND_EFFECT to the first sample mixed: median %.2f ms, worst %.2f ms "
                "(%zu starts, %d-frame buffers at %d Hz)\n",
                delays[delays.size() / 2], delays.back(), delays.size(), lantern::SdlSound::kBufferFrames,
                lantern::SdlSound::kRate);

    // A thousand effects at once, against the same game without them.
    const double before = ProcessorSeconds();
    Play(story, "quit\n", sound);
    const double idle = ProcessorSeconds() - before;
    const double start = ProcessorSeconds();
    Play(story, "burst\nquit\n", sound);
    const double burst = ProcessorSeconds() - start;
    std::printf("Processor time for a story starting 1,000 effects: %.1f ms (the game without "
                "them: %.1f ms)\n",
                burst * 1000, idle * 1000);
    return 0;
}
