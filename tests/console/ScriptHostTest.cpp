#include "console/ScriptHost.h"

#include "memory/StoryError.h"
#include "screen/CellSurface.h"
#include "screen/zScreen.h"

#include <gtest/gtest.h>
#include <sstream>

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
    auto echo = [&](std::string_view text) { echoed += text; };
    EXPECT_EQ(keyboard.ReadLine(100, {}, echo, echo), "take lamp");
    EXPECT_EQ(keyboard.ReadLine(100, {}, echo, echo), "inventory"); // a CRLF script works too
    EXPECT_EQ(echoed, "take lampinventory");
    EXPECT_THROW(keyboard.ReadLine(100, {}, echo, echo), GameStopped); // the input ended
}

TEST_F(Script, SingleKeysTakeOneCharacterAndTheLineEndIsEnter) {
    Feed("ab\n\nxy\n");
    EXPECT_EQ(keyboard.WaitForKey(), 'a');
    EXPECT_EQ(keyboard.WaitForKey(), 'b');
    EXPECT_EQ(keyboard.WaitForKey(), 13);
    EXPECT_EQ(keyboard.WaitForKey(), 13); // the empty line
    EXPECT_EQ(keyboard.WaitForKey(), 'x');
    // A line read after a single key takes the rest of that line.
    EXPECT_EQ(keyboard.ReadLine(
                  100, {}, [](std::string_view) {}, [](std::string_view) {}),
              "y");
    EXPECT_THROW(keyboard.WaitForKey(), GameStopped);
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

TEST(Utf8Text, LineBreaksBecomeNewlines) {
    std::ostringstream out;
    WriteUtf8Text(out, "caf\xC3\xA9\r\nnext\rline");
    EXPECT_EQ(out.str(), "caf\xC3\xA9\nnext\rline");
}

} // namespace
} // namespace lantern
