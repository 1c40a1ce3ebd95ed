#include "machine/zMachine.h"
#include "screen/CellSurface.h"
#include "support/Assembler.h"
#include "support/StoryBuilder.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tuple>

namespace lantern::test {
namespace {

// Instruction bytes of the screen opcodes with small-constant operands.
constexpr int kNewLine = 0xBB;
constexpr int kQuit = 0xBA;
constexpr int kShowStatus = 0xBC;

/// A machine over a 40 x 24 screen drawn on a character grid with two spare rows below it.
class ScreenOps : public ::testing::Test {
  protected:
    TestHost host;
    CellSurface surface{40, 26};
    std::unique_ptr<zMachine> machine;

    void Start(const StoryBuilder& builder, bool pagingWait = false, int columns = 40,
               int rows = 24) {
        machine = std::make_unique<zMachine>(host, surface, 1);
        host.deliverKey = [this](int key) { machine->Keys().KeyPress(key); };
        machine->SetPagingWait(pagingWait);
        machine->PrepareScreen(columns, rows);
        machine->LoadStory(builder.Build());
        machine->StartGame();
    }

    GameOutcome::Kind Run() {
        try {
            return machine->RunLoop();
        } catch (const GameStopped&) {
            return GameOutcome::Kind::Stopped;
        }
    }

    std::string Row(int y) const { return surface.RowTextTrimmed(y); }
    zScreen& Screen() { return machine->Screen(); }
};

TEST_F(ScreenOps, WindowsCursorAndTextReachTheScreen) {
    StoryBuilder story(5);
    story
        .Code({0xEA, 0x7F, 0x02})       // SPLIT_WINDOW 2
        .Code({0xEB, 0x7F, 0x01})       // SET_WINDOW 1
        .Code({0xEF, 0x5F, 0x02, 0x05}) // SET_CURSOR 2 5
        .Code({0xE5, 0x7F, 'A'})        // PRINT_CHAR 'A'
        .Code({0xF0, 0x3F, 0x20, 0x00}) // GET_CURSOR 0x2000
        .Code({0xEB, 0x7F, 0x00})       // SET_WINDOW 0
        .Code({0xE6, 0x7F, 42})         // PRINT_NUM 42
        .Code({0xF0, 0x3F, 0x20, 0x04}) // GET_CURSOR 0x2004
        .Code({kQuit});
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(Row(1), "    A");
    EXPECT_EQ(Row(2), "42");
    const StoryImage& image = machine->Story();
    EXPECT_EQ(image.ReadWord(0x2000), 2);
    EXPECT_EQ(image.ReadWord(0x2002), 6);
    EXPECT_EQ(image.ReadWord(0x2004), 3);
    EXPECT_EQ(image.ReadWord(0x2006), 3);
}

TEST_F(ScreenOps, WindowNumbersOutsideTheModelAreIgnored) {
    StoryBuilder story(5);
    story
        .Code({0xE5, 0x7F, 'x'})  // PRINT_CHAR 'x'
        .Code({0xEB, 0x7F, 0x05}) // SET_WINDOW 5
        .Code({0xED, 0x7F, 0x07}) // ERASE_WINDOW 7
        .Code({0xE5, 0x7F, 'y'})  // PRINT_CHAR 'y'
        .Code({kQuit});
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(Row(0), "xy");
    EXPECT_EQ(Screen().CurrentWindow(), 0);
}

TEST_F(ScreenOps, ColourAndEraseFillTheScreenInTheNewBackground) {
    StoryBuilder story(5);
    story
        .Code({0x1B, 0x09, 0x02})       // SET_COLOUR 9 2: white on black
        .Code({0xED, 0x3F, 0xFF, 0xFF}) // ERASE_WINDOW -1
        .Code({0xE5, 0x7F, 'w'})        // PRINT_CHAR 'w'
        .Code({0xEE, 0x7F, 0x01})       // ERASE_LINE 1: nothing
        .Code({kQuit});
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(surface.CellAt(39, 23).back, Rgb(0, 0, 0));
    EXPECT_EQ(surface.CellAt(0, 0).text, Rgb(255, 255, 255));
    EXPECT_EQ(Row(0), "w");
}

TEST_F(ScreenOps, TextStyleAndTheFixedPitchHeaderBit) {
    StoryBuilder story(5);
    story
        .Code({0xF1, 0x7F, 0x02})             // SET_TEXT_STYLE 2
        .Code({0xE1, 0x57, 0x00, 0x08, 0x02}) // STOREW 0 8 2: fixed pitch
        .Code({0xF0, 0x3F, 0x20, 0x00})       // (a marker: GET_CURSOR)
        .Code({kQuit});
    Start(story);
    machine->Step();
    EXPECT_EQ(Screen().GetTextStyle(), kStyleBold);
    machine->Step();
    EXPECT_EQ(Screen().GetTextStyle(), kStyleBold | kStyleFixed);
    EXPECT_TRUE(surface.FontFixed());
    EXPECT_EQ(machine->Story().ReadWord(0x10), 2);

    StoryBuilder plain(5);
    plain
        .Code({0xF1, 0x7F, 0x09})             // SET_TEXT_STYLE 9: reverse and fixed
        .Code({0xE1, 0x57, 0x00, 0x08, 0x00}) // STOREW 0 8 0: drops fixed, keeps reverse
        .Code({0xE1, 0x57, 0x00, 0x09, 0x02}) // STOREW 0 9 2: not the flags word
        .Code({kQuit});
    Start(plain);
    machine->Step();
    machine->Step();
    EXPECT_EQ(Screen().GetTextStyle(), kStyleReverse);
    EXPECT_FALSE(surface.FontFixed());
    machine->Step();
    EXPECT_EQ(Screen().GetTextStyle(), kStyleReverse);
}

TEST_F(ScreenOps, BufferModeAndSoundEffect) {
    StoryBuilder story(5);
    story
        .Code({0xF2, 0x7F, 0x00}) // BUFFER_MODE 0
        .Code({0xE8, 0x7F, 0x07}) // PUSH 7
        .Code({0xF5, 0xBF, 0x00}) // SOUND_EFFECT sp
        .Code({kQuit});
    Start(story);
    EXPECT_TRUE(Screen().Window(0).Buffered); // the game starts buffered
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_FALSE(Screen().Window(0).Buffered);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(machine->StackPointer(), 0);
}

TEST_F(ScreenOps, AFullLowerWindowWaitsForAKeyAndGoesOn) {
    StoryBuilder story(5);
    for (int i = 0; i < 30; ++i)
        story.Code({0xE6, 0x7F, i + 1}).Code({kNewLine}); // PRINT_NUM i+1, NEW_LINE
    story.Code({kQuit});
    Start(story, true);
    host.Type("x");
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(host.waits, 1);
    EXPECT_EQ(Row(23), ""); // the prompt is gone
    EXPECT_EQ(Row(22), "30");
    EXPECT_EQ(Row(0), "8");

    // Without a key the wait ends the game. The prompt stands on the window's last line,
    // under 23 lines of text.
    Start(story, true);
    EXPECT_EQ(Run(), GameOutcome::Kind::Stopped);
    EXPECT_EQ(Row(22), "23");
    EXPECT_EQ(Row(23), "[**MORE**]");
    EXPECT_EQ(Row(24), "");
}

TEST_F(ScreenOps, APageThatFillsAtItsLastLineBreakWaitsAtItsPrompt) {
    StoryBuilder story(5);
    for (int i = 0; i < 23; ++i)
        story.Code({0xE6, 0x7F, i + 1}).Code({kNewLine}); // PRINT_NUM i+1, NEW_LINE
    story.Code({0xE6, 0x7F, 24}).Code({kQuit});
    // The 23rd line break fills the page with nothing left in its text: the prompt stands
    // on the last line and the game waits there, before the next number goes there.
    Start(story, true);
    EXPECT_EQ(Run(), GameOutcome::Kind::Stopped);
    EXPECT_EQ(Row(23), "[**MORE**]");
    EXPECT_EQ(Row(0), "1");
    EXPECT_EQ(Row(22), "23");

    host.waits = 0;
    Start(story, true);
    host.Type("x");
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(host.waits, 1);
    EXPECT_EQ(Row(23), "24");
    EXPECT_EQ(Row(0), "1");
}

TEST_F(ScreenOps, KeysTypedAtThePromptAreKeptForTheNextRead) {
    StoryBuilder story(5);
    for (int i = 0; i < 30; ++i)
        story.Code({0xE6, 0x7F, i + 1}).Code({kNewLine}); // PRINT_NUM i+1, NEW_LINE
    story.Byte(0x2000, 20);
    story.Code(OpVar(4, {L(0x2000), C(0)}) + Store(16) + Quit());
    Start(story, true);
    // The whole command arrives while "[**MORE**]" stands: its first key goes on.
    host.deliverKey = [this](int) {
        for (const char key : std::string("xlook\r"))
            machine->Keys().KeyPress(key);
    };
    host.Type("x");
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(host.waits, 1);
    EXPECT_EQ(machine->Story().ReadByte(0x2001), 4);
    EXPECT_EQ(machine->Story().ReadByte(0x2002), 'l');
}

TEST_F(ScreenOps, ALongTypedLineInAShortWindowIsEchoedAndRead) {
    // A lower window of one line under a split, and a screen of three lines of ten columns:
    // the echo wraps and scrolls, and the read ends at Enter without waiting anywhere else.
    const std::string typed = "the quick brown fox jumps over the lazy dog again";
    for (const auto& [columns, rows, split] : {std::tuple{40, 24, 23}, std::tuple{10, 3, 0}}) {
        StoryBuilder story(5);
        story.Byte(0x2000, 100);
        story.Code(OpVar(10, {C(split)}) + OpVar(4, {L(0x2000), C(0)}) + Store(16) + Quit());
        host.waits = 0;
        Start(story, true, columns, rows);
        host.Type(typed + "\r");
        EXPECT_EQ(Run(), GameOutcome::Kind::Quit) << columns;
        EXPECT_EQ(host.waits, static_cast<int>(typed.size()) + 1) << columns;
        EXPECT_EQ(machine->Story().ReadByte(0x2001), static_cast<int>(typed.size())) << columns;
        EXPECT_EQ(Row(rows - 1), "") << columns; // the cursor waits on a fresh line
    }
}

TEST_F(ScreenOps, ALineBeingTypedStaysWholeWhenTheScreenChangesSize) {
    // Nine numbered lines, then a prompt and a READ; half the command is typed when the screen
    // loses four rows below the cursor and gains ten columns.
    StoryBuilder story(5);
    story.Byte(0x2000, 40);
    Bytes code;
    for (int i = 1; i <= 9; ++i)
        code = code + OpVar(6, {C(i)}) + Op0(11); // PRINT_NUM, NEW_LINE
    story.Code(code + OpVar(5, {C('>')}) + OpVar(4, {L(0x2000), C(0)}) + Store(16) + Quit());
    Start(story, false, 30, 10);
    host.Type("look!ed\r");
    host.deliverKey = [this](int key) {
        if (key == '!')
            machine->ResizeScreen(40, 6);
        else
            machine->Keys().KeyPress(key);
    };
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(Screen().ScreenWidth(), 40);
    EXPECT_EQ(Screen().ScreenHeight(), 6);
    EXPECT_EQ(surface.Height(), 6);
    EXPECT_EQ(machine->Story().ReadByte(0x2001), 6);
    // The lines moved up with the cursor's; the typed line stands once, whole.
    EXPECT_EQ(Row(0), "6");
    EXPECT_EQ(Row(3), "9");
    EXPECT_EQ(Row(4), ">looked");
    EXPECT_EQ(Row(5), "");
}

TEST_F(ScreenOps, ShowStatusDrawsScoreAndMovesOnTheTopLine) {
    StoryBuilder story(3);
    story.SetGlobal(16, 1).SetGlobal(17, 0xFFFD).SetGlobal(18, 12);
    story.Code({kShowStatus}).Code({kQuit});
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    // 40 cells less 2: the line is 38 long and its text ends at cell 37.
    EXPECT_EQ(surface.RowText(0).substr(32, 6), "-3/12 ");
    EXPECT_EQ(surface.CellAt(0, 0).back, Rgb(0, 0, 0));
    EXPECT_EQ(Screen().CurrentWindow(), 0);
    EXPECT_EQ(Screen().Window(0).Top, 2);
}

// Version 6 under the complete machine, fed what a hostile story might: every window property
// written with extreme values, windows, margins and cursors far off the screen, scrolls by
// 32767, window numbers out of range and pictures that do not exist. Everything is clamped or
// ignored; READ_MOUSE into a table at the end of memory stops the game with a clear message.
TEST_F(ScreenOps, Version6ClampsHostileWindowsAndStopsAtAMouseTableOutsideMemory) {
    constexpr int32_t kSize = 0x10000;
    StoryBuilder story(6, kSize);
    story.At(0x2000);
    const int32_t main = story.Routine(0);
    story.Word(0x06, story.Packed(main));
    Bytes code;
    for (int window = -3; window <= 9; ++window)
        for (int property = 0; property <= 20; ++property)
            // The last value is 0, so that no newline interrupt is left due.
            for (const int value : {0x7FFF, 0xFFFF, 0x8000, 1, 0})
                code = code + OpExt(25, {L(window & 0xFFFF), C(property), L(value)}) +
                       OpExt(19, {L(window & 0xFFFF), C(property)}) + Store(16);
    code = code + OpExt(16, {C(2), L(0x8000), L(0x7FFF)}) // MOVE_WINDOW 2 far away
           + OpExt(17, {C(2), L(0xFFFF), L(0xFFFF)})      // WINDOW_SIZE 2 as large as can be
           + OpExt(8, {L(0xFFFF), L(0xFFFF), C(2)})       // SET_MARGINS on both sides
           + OpVar(11, {C(2)})                            // SET_WINDOW 2
           + OpVar(15, {L(0x8000), L(0x7FFF), C(2)})      // SET_CURSOR far off
           + OpVar(5, {C('x')}) + Op0(11)                 // PRINT_CHAR 'x', NEW_LINE
           + OpExt(20, {C(0), L(0x7FFF)}) + OpExt(20, {C(0), L(0x8000)}) // SCROLL_WINDOW
           + OpVar(11, {C(9)}) + OpVar(13, {C(12)})               // SET_WINDOW 9, ERASE_WINDOW 12
           + OpExt(5, {C(1), C(1), C(1)})                         // DRAW_PICTURE 1: none exists
           + OpExt(6, {L(0xFFFF), L(0x3000)}) + BranchBy(true, 0) // PICTURE_DATA: none either
           + OpExt(22, {L(kSize - 4)});                           // READ_MOUSE past the end
    story.Code(code + Quit());
    machine = std::make_unique<zMachine>(host, surface, 1);
    machine->SetStandard(true);
    machine->SetPagingWait(false);
    machine->PrepareScreen(40, 24);
    machine->LoadStory(story.Build());
    machine->StartGame();
    try {
        Run();
        FAIL() << "the game should stop at READ_MOUSE";
    } catch (const StoryError& e) {
        EXPECT_NE(std::string(e.what()).find("outside"), std::string::npos) << e.what();
    }
    for (int window = 0; window < kWindowCount; ++window) {
        const Rect area = Screen().WindowArea(window);
        EXPECT_LE(area.Width(), 1 << 21);
        EXPECT_LE(area.Height(), 1 << 21);
    }
    EXPECT_EQ(Screen().Window6(0).LineCount, 0);
    EXPECT_FALSE(host.messages.empty());
    EXPECT_TRUE(std::all_of(host.messages.begin(), host.messages.end(), [](const auto& m) {
        return m.text.starts_with("PUT_WIND_PROP cannot write");
    }));
}

} // namespace
} // namespace lantern::test
