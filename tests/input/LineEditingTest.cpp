// Line input as the player meets it: a line edited as it is typed and recalled from this game's
// history, on a character grid 20 cells wide, and what the story receives.
#include "machine/zMachine.h"
#include "memory/StoryError.h"
#include "screen/CellSurface.h"
#include "screen/Pager.h"
#include "support/Assembler.h"
#include "support/StoryBuilder.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

namespace lantern::test {
namespace {

constexpr int kColumns = 20;
constexpr std::initializer_list<int32_t> kBuffers = {0x2000, 0x2100, 0x2200, 0x2300};

/// The text a version 5 text buffer holds.
std::string Received(const StoryImage& story, int32_t buffer) {
    std::string text;
    for (int i = 0; i < story.ReadByte(buffer + 1); ++i)
        text.push_back(static_cast<char>(story.ReadByte(buffer + 2 + i)));
    return text;
}

TEST(LineEditing, EditingKeysHistoryLongLinesAndWhatTheStoryReceives) {
    // Four lines read in a row; the last buffer holds 10 characters.
    StoryBuilder story(5);
    Bytes code;
    for (const int32_t buffer : kBuffers) {
        story.Byte(buffer, buffer == 0x2300 ? 10 : 60);
        code = code + OpVar(4, {L(buffer), L(0)}) + Store(16);
    }
    story.Code(code + Quit());

    TestHost host;
    CellSurface surface{kColumns, 10};
    zMachine machine(host, surface);
    host.deliverKey = [&](int key) { machine.Keys().KeyPress(key); };
    machine.SetPagingWait(false);
    machine.PrepareScreen(kColumns, 10);
    machine.LoadStory(story.Build());
    machine.StartGame();
    auto press = [&](std::initializer_list<int> keys) {
        for (const int key : keys)
            host.keys.push_back(key);
    };
    auto times = [&](int key, int count) {
        for (int i = 0; i < count; ++i)
            host.keys.push_back(key);
    };

    // Typing goes in at the caret; the last word goes with Ctrl+W. The line wraps at the edge,
    // and editing its start moves its tail back and forth across the two rows.
    host.Type("lok");
    press({kKeyLeft});
    host.Type("o");
    press({kKeyEnd});
    host.Type(" at the old brass LAMPS");
    press({kKeyKillWord});
    host.Type("Lamp");
    press({kKeyHome, kKeyDelete});
    host.Type("l");
    press({kKeyEnter});
    // Up and Down step through the history and back to the line being typed; Escape and F1
    // type nothing.
    host.Type("x");
    press({kKeyEscape, FunctionKey(1), kKeyUp, kKeyUp, kKeyDown});
    host.Type("y");
    press({kKeyEnter});
    // A recalled line edited is a new entry.
    press({kKeyUp, kKeyUp, kKeyHome});
    times(kKeyDelete, 4);
    host.Type("stare");
    press({kKeyEnter});
    // The line holds no more than the buffer does; Backspace, Ctrl+U and Ctrl+K edit it.
    host.Type("abcdefghijklmno");
    press({kKeyHome});
    host.Type("Z");
    press({kKeyRight, kKeyRight, kKeyKillToStart, kKeyEnd, kKeyLeft, kKeyKillToEnd, kKeyBackspace,
           kKeyEnter});

    for (int step = 0; step < 100'000 && machine.Step(); ++step) {
    }
    EXPECT_EQ(machine.StopKind(), GameOutcome::Kind::Quit);
    EXPECT_TRUE(host.keys.empty());

    // The story receives the edited lines in lower case.
    const StoryImage& image = machine.Story();
    EXPECT_EQ(Received(image, 0x2000), "look at the old brass lamp");
    EXPECT_EQ(Received(image, 0x2100), "xy");
    EXPECT_EQ(Received(image, 0x2200), "stare at the old brass lamp");
    EXPECT_EQ(Received(image, 0x2300), "cdefgh");
    // The screen shows them as typed, with nothing left of the edits.
    const std::vector<std::string> rows = {
        "look at the old bras", "s Lamp", "xy", "stare at the old bra", "ss Lamp", "cdefgh", ""};
    for (size_t y = 0; y < rows.size(); ++y)
        EXPECT_EQ(surface.RowTextTrimmed(static_cast<int>(y)), rows[y]) << "row " << y;
    // The history holds each line once, as typed, newest last.
    const History& history = machine.Keys().LineHistory();
    ASSERT_EQ(history.Size(), 4u);
    EXPECT_EQ(history.Entry(0), "look at the old brass Lamp");
    EXPECT_EQ(history.Entry(2), "stare at the old brass Lamp");
}

TEST(LineEditing, TheHistoryKeepsItsNewestLinesAndTheCaretShowsWhereTypingGoes) {
    History history;
    for (int i = 0; i < 150; ++i)
        history.Add("line " + std::to_string(i));
    history.Add("line 149");
    history.Add("");
    ASSERT_EQ(history.Size(), History::kMaxEntries);
    EXPECT_EQ(history.Entry(0), "line 50");
    EXPECT_EQ(history.Entry(History::kMaxEntries - 1), "line 149");

    // The caret stands where the next character goes, on the grid.
    TestHost host;
    CellSurface surface{kColumns, 10};
    zScreen screen{surface};
    screen.SetScreenWidth(kColumns);
    screen.SetScreenHeight(10);
    screen.EraseWindow(-1);
    Pager pager{screen};
    Keyboard keyboard{host};
    host.deliverKey = [&](int key) { keyboard.KeyPress(key); };
    host.Type("abc");
    host.keys.push_back(kKeyLeft);
    host.keys.push_back(kKeyEnter);
    pager.StartInput({});
    EXPECT_EQ(
        keyboard.ReadLine(
            10, {}, [&](std::string_view line, size_t caret) { pager.ShowInput(line, caret); }),
        "abc");
    EXPECT_EQ(screen.InputCaret(), (PixelPoint{2, 0}));
    pager.EndInput();
    EXPECT_FALSE(screen.InputCaret());
}

} // namespace
} // namespace lantern::test
