#include "FuzzStory.h"

#include "files/StoryFile.h"
#include "machine/zMachine.h"
#include "memory/StoryError.h"
#include "screen/CellSurface.h"

#include <chrono>
#include <string_view>
#include <vector>

namespace lantern {

namespace {

// Enough to get through a story's opening and a few turns, few enough for many runs a second.
constexpr long kMaxInstructions = 200000;
constexpr int kMaxWaits = 400;
// Some instructions are costly by design (a RESTART reloads the whole story, a print may
// expand abbreviations to megabytes): a time budget too keeps every run short.
constexpr auto kMaxTime = std::chrono::seconds(2);

// Commands and single keys that reach the tokeniser, the dictionary, backspace and the
// "[**MORE**]" pause.
constexpr std::string_view kScript = "look\rtake all\rn\rinventory\rx me\b\b\bme\r \r";

class FuzzHost : public Host {
  public:
    Keyboard* keyboard = nullptr;

    void DoEvents() override {
        if (++m_waits > kMaxWaits || !keyboard)
            throw GameStopped{};
        keyboard->KeyPress(static_cast<unsigned char>(kScript[m_next++ % kScript.size()]));
    }
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskYesNo(const std::string&) override { return (m_waits & 1) != 0; }
    void Beep() override {}

  private:
    int m_waits = 0;
    size_t m_next = 0;
};

} // namespace

long PlayFuzzStory(const uint8_t* data, size_t size) {
    FuzzHost host;
    CellSurface surface(40, 12);
    zMachine machine(host, surface, uint64_t{1});
    host.keyboard = &machine.Keys();
    machine.SetPagingWait(true);
    // Half the inputs play the complete machine (undo, THROW, timed input, the streams), by
    // their length, so that the mutations reach both.
    machine.SetStandard((size & 1) != 0);
    machine.PrepareScreen(40, 11);
    long steps = 0;
    try {
        // Bytes that start like an IFF file are read as a Blorb, its record and cover too.
        StoryFile story =
            ReadStoryBytes({data, size}, "fuzz.zblorb", {.Record = true, .Cover = true});
        DescribeStory(story);
        machine.LoadStory(StoryImage(std::move(story.ZCode)));
        machine.StartGame();
        const auto deadline = std::chrono::steady_clock::now() + kMaxTime;
        while (steps < kMaxInstructions && machine.Step()) {
            if (++steps % 256 == 0 && std::chrono::steady_clock::now() > deadline)
                break;
        }
    } catch (const StoryError&) {
    } catch (const LoadError&) {
    } catch (const GameStopped&) {
    }
    return steps;
}

} // namespace lantern
