// The stories' sounds as the machine asks a device for them: which sounds, how loud, how often,
// the routines of those that end, and what stops them (the device here only writes down what it
// is asked; tests/console/Sound.sh hears the real one).
#include "machine/zMachine.h"
#include "support/RecordingSound.h"
#include "support/TestHost.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace lantern::test {
namespace {

class SoundStory : public ::testing::Test {
  protected:
    TestHost host;
    NullSurface surface;
    RecordingSound sound;
    std::unique_ptr<zMachine> machine;
    std::string text;

    void Play(const std::string& story, const std::string& commands, bool standard = true) {
        host.sound = &sound;
        machine = std::make_unique<zMachine>(host, surface, 1);
        machine->SetStandard(standard);
        host.deliverKey = [this](int key) { machine->Keys().KeyPress(key); };
        machine->SetPagingWait(false);
        machine->SetTranscript([this](std::string_view t) {
            for (const char c : t)
                if (c != '\r')
                    text += c;
        });
        machine->PrepareScreen(640, 480);
        host.Type(commands);
        machine->RunGame(story);
    }

    bool Said(const std::string& what) const { return text.find(what) != std::string::npos; }
};

TEST_F(SoundStory, VersionFivePlaysEachKindAndCallsTheRoutinesOfThoseThatEndByThemselves) {
    Play(LANTERN_STORY_SOUNDS_V5, "flags\rbleep\rsample\rwait\rmusic\rwait\rmod\rwait\rboth\rwait\r"
                                  "replace\rwait\rstop\rnow\rquit\r");
    EXPECT_TRUE(Said("Sound flag: 1")) << text;
    // Each routine once, when its sound has ended: not for the sample cut off by another, nor
    // for the music stopped. One is called while the story waits for a command, one while it
    // runs ("now").
    for (const char* count :
         {"called: 1\n", "called: 2\n", "called: 3\n", "called: 5\n", "called: 6\n", "called: 7\n"})
        EXPECT_TRUE(Said(count)) << count << " in " << text;
    EXPECT_EQ(sound.Calls("bleep"), (std::vector<std::string>{"bleep 1", "bleep 2", "bleep 1"}));
    EXPECT_EQ(sound.Calls("load"),
              (std::vector<std::string>{"load 3 aiff", "load 4 ogg", "load 5 mod", "load 8 aiff"}));
    const auto plays = sound.Calls("play");
    ASSERT_GE(plays.size(), 4u);
    // Repeats and volume from the start's operand: three plays at 8, once at 6, once at the
    // loudest.
    EXPECT_EQ(plays[0], "play 3 volume 1 plays 3");
    EXPECT_EQ(plays[1], "play 4 volume 0.75 plays 1");
    EXPECT_EQ(plays[2], "play 5 volume 1 plays 1");
    // The game's end forgets every sound.
    EXPECT_EQ(sound.calls.back(), "unload 0");
}

TEST_F(SoundStory, VersionThreeTakesItsRepeatsFromTheLoopChunkAndLinesEffectsUpWithinATurn) {
    Play(LANTERN_STORY_SOUNDS_V3, "loop\rqueue\rquit\r");
    EXPECT_EQ(sound.Calls("play"),
              (std::vector<std::string>{"play 3 volume 1 plays 3", "play 3 volume 1 plays 3",
                                        "play 8 volume 1 plays 1 after"}));
}

TEST_F(SoundStory, SavingUndoAndRestartStopWhatPlays) {
    Play(LANTERN_STORY_SOUNDS_V5, "music\rkeep\rmusic\rundo\rmusic\rrestart\rquit\r");
    EXPECT_TRUE(Said("Undone.")) << text;
    std::vector<std::string> events;
    for (const std::string& call : sound.calls)
        if (call.rfind("play", 0) == 0 || call == "stop 0")
            events.push_back(call.substr(0, 6));
    // The undo, the restart, and at the end the game's end.
    EXPECT_EQ(events, (std::vector<std::string>{"play 4", "play 4", "stop 0", "play 4", "stop 0"}));
}

TEST_F(SoundStory, WithoutADeviceTheStoryIsToldThereIsNoSoundAndTheDefaultModeBeeps) {
    sound.opens = false;
    Play(LANTERN_STORY_SOUNDS_V5, "flags\rsample\rbleep\rquit\r");
    EXPECT_TRUE(Said("Sound flag: 0")) << text;
    EXPECT_EQ(sound.calls, std::vector<std::string>{"open"});
    // No device: the bleeps are the host's beep.
    EXPECT_EQ(host.beeps, 3);

    text.clear();
    sound.calls.clear();
    sound.opens = true;
    host.beeps = 0;
    Play(LANTERN_STORY_SOUNDS_V5, "flags\rsample\rbleep\rquit\r", false);
    EXPECT_TRUE(Said("Sound flag: 0")) << text;
    EXPECT_TRUE(sound.calls.empty());
    // As specified, every SOUND_EFFECT beeps.
    EXPECT_EQ(host.beeps, 4);
}

} // namespace
} // namespace lantern::test
