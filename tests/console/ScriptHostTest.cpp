#include "console/ScriptHost.h"

#include "console/TerminalHost.h"
#include "memory/StoryError.h"
#include "screen/CellSurface.h"
#include "screen/zScreen.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace lantern {
namespace {

class Script : public ::testing::Test {
  protected:
    explicit Script(const std::string& input = "") : in(input) {}
    void Feed(const std::string& input) {
        in.str(input);
        in.clear();
        host.SetKeyboard(keyboard);
    }
    std::istringstream in;
    std::ostringstream errors;
    ScriptHost host{in, errors};
    CellSurface surface{40, 10};
    zScreen screen{surface};
    Keyboard keyboard{host};
};

TEST_F(Script, EachLineIsTypedFollowedByEnter) {
    Feed("take lamp\ninventory\r\n");
    std::string echoed;
    auto echo = [&](std::string_view line, size_t) { echoed += line; };
    EXPECT_EQ(keyboard.ReadLine(100, {}, echo), "take lamp");
    EXPECT_EQ(keyboard.ReadLine(100, {}, echo), "inventory"); // a CRLF script works too
    EXPECT_EQ(echoed, "take lampinventory");
    EXPECT_THROW(keyboard.ReadLine(100, {}, echo), GameStopped); // the input ended
}

TEST_F(Script, SingleKeysTakeOneCharacterAndTheLineEndIsEnter) {
    Feed("ab\n\nxy\n");
    EXPECT_EQ(keyboard.WaitForKey(), 'a');
    EXPECT_EQ(keyboard.WaitForKey(), 'b');
    EXPECT_EQ(keyboard.WaitForKey(), 13);
    EXPECT_EQ(keyboard.WaitForKey(), 13); // the empty line
    EXPECT_EQ(keyboard.WaitForKey(), 'x');
    // A line read after a single key takes the rest of that line.
    EXPECT_EQ(keyboard.ReadLine(100, {}, [](std::string_view, size_t) {}), "y");
    EXPECT_THROW(keyboard.WaitForKey(), GameStopped);
}

TEST_F(Script, TimedWaitsTypeLinesAtOnceAndTimeOutAtOnceWhenTheInputHasEnded) {
    Feed("look\n");
    auto ignore = [](std::string_view, size_t) {};
    int ticks = 0;
    Keyboard::Timer timer{500,
                          [&] {
                              ++ticks;
                              return ticks % 2 == 0 ? Keyboard::Tick::Stop
                                                    : Keyboard::Tick::Continue;
                          },
                          {}};
    EXPECT_EQ(keyboard.ReadLine(100, {}, ignore, &timer), "look");
    EXPECT_FALSE(keyboard.TimedOut());
    EXPECT_EQ(host.Milliseconds(), 0);
    EXPECT_EQ(keyboard.WaitForKey(false, &timer), 0); // two ticks, a second of scripted time
    EXPECT_EQ(host.Milliseconds(), 1000);
    EXPECT_EQ(keyboard.ReadLine(100, {}, ignore, &timer), "");
    EXPECT_TRUE(keyboard.TimedOut());
    // A wait that never ends by itself ends the game a minute after the input ended.
    Keyboard::Timer endless{100, [] { return Keyboard::Tick::Continue; }, {}};
    EXPECT_THROW(keyboard.WaitForKey(false, &endless), GameStopped);
    EXPECT_EQ(host.Milliseconds(), ScriptHost::kIdleLimitMs);
}

TEST_F(Script, NothingIsReadWhileNobodyWaits) {
    Feed("look\n");
    host.DoEvents();
    EXPECT_EQ(in.tellg(), 0);
}

TEST_F(Script, MessagesGoToTheErrorStreamAndQuestionsAreAnsweredYes) {
    Feed("");
    host.ShowMessage("Stack Underflow", MessageIcon::Error);
    EXPECT_TRUE(host.AskYesNo("EXT opcodes not yet implemented! Continue?"));
    EXPECT_EQ(errors.str(), "lantern: Stack Underflow\n"
                            "lantern: EXT opcodes not yet implemented! Continue? Yes\n");
}

TEST_F(Script, LinesEndWithLfCrLfOrALoneCr) {
    Feed("look\rtake lamp\r\ninventory\n\r\rlast");
    auto echo = [](std::string_view, size_t) {};
    for (const char* line : {"look", "take lamp", "inventory", "", "", "last"})
        EXPECT_EQ(keyboard.ReadLine(100, {}, echo), line);
    EXPECT_THROW(keyboard.ReadLine(100, {}, echo), GameStopped);
}

TEST_F(Script, AnOverlongLineIsCutAtTheBoundAndTheRestOfItDropped) {
    Feed(std::string(ScriptHost::kMaxLineLength * 3, 'x') + "\nnext\n");
    auto echo = [](std::string_view, size_t) {};
    EXPECT_EQ(keyboard.ReadLine(1u << 20, {}, echo), std::string(ScriptHost::kMaxLineLength, 'x'));
    EXPECT_EQ(keyboard.ReadLine(100, {}, echo), "next");
}

TEST(TerminalKeys, LinesTypedTogetherAllArriveWhateverTheirLineEnds) {
    int keys[2];
    ASSERT_EQ(pipe(keys), 0);
    const int screenOut = open("/dev/null", O_WRONLY);
    CellSurface surface{40, 10};
    zScreen screen{surface};
    TerminalScreen terminal(keys[0], screenOut, "xterm");
    ASSERT_TRUE(terminal.Active()) << terminal.Problem();
    TerminalHost host(surface, terminal, screenOut);
    Keyboard keyboard{host};
    host.SetKeyboard(keyboard);
    const std::string typed = "look\rtake lamp\r\ninventory\n";
    ASSERT_EQ(write(keys[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    close(keys[1]);
    auto echo = [](std::string_view, size_t) {};
    EXPECT_EQ(keyboard.ReadLine(100, {}, echo), "look");
    EXPECT_EQ(keyboard.ReadLine(100, {}, echo), "take lamp");
    EXPECT_EQ(keyboard.ReadLine(100, {}, echo), "inventory");
    EXPECT_THROW(keyboard.ReadLine(100, {}, echo), GameStopped); // the terminal went away
    close(keys[0]);
    close(screenOut);
}

TEST(Utf8Text, LineBreaksBecomeNewlines) {
    std::ostringstream out;
    WriteUtf8Text(out, "caf\xC3\xA9\r\nnext\tline");
    EXPECT_EQ(out.str(), "caf\xC3\xA9\nnext\tline");
}

TEST(Utf8Text, NoControlCharacterButLineFeedAndTabGetsThrough) {
    std::ostringstream out;
    // An ESC sequence, an OSC title, a bell, a lone CR, DEL and the C1 CSI (0x9B).
    WriteUtf8Text(out, "a\x1B[2Jb\x1B]0;owned\x07"
                       "c\rd\x7F\xC2\x9B"
                       "31me\r\n");
    EXPECT_EQ(out.str(), "a[2Jb]0;ownedcd31me\n");
}

} // namespace
} // namespace lantern
