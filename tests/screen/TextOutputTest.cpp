#include "screen/ScreenFixture.h"

#include <gtest/gtest.h>

namespace lantern::test {
namespace {

class TextOutput : public ScreenFixture {
  protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        screen.BufferMode(1);
    }
};

// Records the pieces drawn, to see how text is cut up.
class PieceRecorder : public CellSurface {
  public:
    using CellSurface::CellSurface;
    std::vector<std::string> pieces;
    void DrawText(int x, int y, std::string_view text) override {
        pieces.emplace_back(text);
        CellSurface::DrawText(x, y, text);
    }
};

TEST_F(TextOutput, NextWordTakesAWordWithItsSpaceWhenBuffered) {
    EXPECT_EQ(screen.NextWord("hello world"), "hello ");
    EXPECT_EQ(screen.NextWord("world"), "world");
    EXPECT_EQ(screen.NextWord("  x"), " ");
    EXPECT_EQ(screen.NextWord("word\r\nnext"), "word");
    EXPECT_EQ(screen.NextWord("a\rb\nc d"), "a\rb\nc ");
    EXPECT_EQ(screen.NextWord(""), "");
    screen.BufferMode(0);
    EXPECT_EQ(screen.NextWord("hello world"), "h");
    screen.BufferMode(1);
    screen.SplitWindow(1);
    screen.SetWindow(1);
    EXPECT_EQ(screen.NextWord("hello world"), "h");
}

TEST(TextOutputPieces, BufferedDrawsWordsUnbufferedDrawsCharacters) {
    PieceRecorder surface(40, 24);
    zScreen screen(surface);
    screen.SetScreenWidth(40);
    screen.SetScreenHeight(24);
    screen.EraseWindow(-1);
    screen.BufferMode(1);
    screen.OutPut("hi there", false);
    EXPECT_EQ(surface.pieces, (std::vector<std::string>{"hi ", "there"}));
    surface.pieces.clear();
    screen.BufferMode(0);
    screen.OutPut("ok!", false);
    EXPECT_EQ(surface.pieces, (std::vector<std::string>{"o", "k", "!"}));
    EXPECT_EQ(surface.RowTextTrimmed(0), "hi thereok!");
}

TEST_F(TextOutput, EmptyTextDrawsNothing) {
    EXPECT_EQ(screen.OutPut("", false), "");
    EXPECT_EQ(screen.GetCursor(), std::make_pair(1, 1));
    EXPECT_EQ(Row(0), "");
}

TEST_F(TextOutput, LineBreakStartsTheNextLineAndLoneCharactersAreText) {
    Print("one\r\ntwo");
    EXPECT_EQ(Row(0), "one");
    EXPECT_EQ(Row(1), "two");
    EXPECT_EQ(screen.GetCursor(), std::make_pair(2, 4));
    EXPECT_EQ(screen.LinesPrinted(), 1);
    Print("\ra");
    EXPECT_EQ(Row(1), "two\ra");
}

TEST_F(TextOutput, AWordThatDoesNotFitMovesToTheNextLineWhole) {
    Lay(10, 24);
    Print("aaaa bbbb cccc");
    EXPECT_EQ(Row(0), "aaaa bbbb");
    EXPECT_EQ(Row(1), "cccc");
    EXPECT_EQ(screen.LinesPrinted(), 1);
    // The trailing space counts in the test.
    Lay(10, 24);
    Print("aaaa bbbbb c");
    EXPECT_EQ(Row(0), "aaaa");
    EXPECT_EQ(Row(1), "bbbbb c");
}

TEST_F(TextOutput, UnbufferedAndUpperWindowBreakInsideAWord) {
    Lay(10, 24);
    screen.SplitWindow(3);
    screen.SetWindow(1);
    Print("abcdefghijkl");
    EXPECT_EQ(Row(0), "abcdefghij");
    EXPECT_EQ(Row(1), "kl");
    screen.SetWindow(0);
    screen.BufferMode(0);
    Print("mnopqrstuvwx");
    EXPECT_EQ(Row(3), "mnopqrstuv");
    EXPECT_EQ(Row(4), "wx");
}

TEST_F(TextOutput, AWordWiderThanTheWindowIsCutAtTheEdgeWithoutABlankLine) {
    surface.Resize(5, kRows);
    Lay(5, kRows);
    EXPECT_EQ(Print("abcdefgh ij"), 0);
    EXPECT_EQ(Row(0), "abcde");
    EXPECT_EQ(Row(1), "ij");
    Print("\r\nxy klmnopqrs");
    EXPECT_EQ(Row(2), "xy");
    EXPECT_EQ(Row(3), "klmno");
}

TEST_F(TextOutput, PageBreakComesExactlyAtTheLineCount) {
    Lay(kColumns, 20);
    const std::string text = NumberedLines(1, 25);
    const std::string rest = screen.OutPut(text, false);
    // The nineteenth line break stops the output and the prompt takes the twentieth line;
    // the rest starts right after that line break.
    EXPECT_EQ(rest, NumberedLines(20, 25));
    EXPECT_EQ(screen.LinesPrinted(), 19);
    EXPECT_EQ(Row(0), "1");
    EXPECT_EQ(Row(18), "19");
    EXPECT_EQ(Row(19), "[**MORE**]");

    // After the key the prompt goes and output resumes with the next line; each line break
    // scrolls, so the cursor waits on a blank last line.
    screen.SetLinesPrinted(0);
    EXPECT_EQ(screen.OutPut(rest, true), "");
    EXPECT_EQ(Row(20), "");
    EXPECT_EQ(Row(19), "");
    for (int y = 0; y < 19; ++y)
        EXPECT_EQ(Row(y), std::to_string(y + 7));
    EXPECT_EQ(screen.LinesPrinted(), 6);
}

TEST_F(TextOutput, TheWordThatDidNotFitIsPrintedFirstAfterTheKey) {
    Lay(10, 4);
    // Two lines, then a wrap that fills the page: its line takes the prompt.
    std::string rest = screen.OutPut("aaa\r\nbbb\r\nccc ddddd eeeee", false);
    EXPECT_EQ(rest, "eeeee");
    EXPECT_EQ(Row(2), "ccc ddddd");
    EXPECT_EQ(Row(3), "[**MORE**]");
    screen.SetLinesPrinted(0);
    EXPECT_EQ(screen.OutPut(rest, true), "");
    EXPECT_EQ(Row(3), "eeeee");
    EXPECT_EQ(Row(2), "ccc ddddd");
}

TEST_F(TextOutput, ThePromptIsDrawnInTheCurrentColours) {
    Lay(kColumns, 3);
    screen.SetColor(9, 2);
    screen.OutPut("1\r\n2\r\n3\r\n4", false);
    EXPECT_EQ(Row(2), "[**MORE**]");
    EXPECT_EQ(At(0, 2).text, Rgb(255, 255, 255));
    EXPECT_EQ(At(0, 2).back, Rgb(0, 0, 0));
}

TEST_F(TextOutput, UpperWindowNeitherPagesNorScrolls) {
    screen.SplitWindow(2);
    screen.SetWindow(1);
    screen.SetLinesPrinted(3);
    EXPECT_EQ(screen.OutPut(NumberedLines(1, 30), false), "");
    EXPECT_EQ(screen.LinesPrinted(), 3);
    EXPECT_EQ(Row(0), "1");
    // Past its bottom the text goes on over the lower window.
    EXPECT_EQ(Row(5), "6");
    EXPECT_EQ(Row(kRows - 1), "24");
    // The cursor stops a little below the screen instead of running on.
    EXPECT_LE(screen.GetCursor().first, kRows + 3);
}

TEST_F(TextOutput, LowerWindowScrollsWithinItsLines) {
    Lay(kColumns, 6);
    screen.SplitWindow(2);
    screen.SetWindow(1);
    Print("status");
    screen.SetWindow(0);
    surface.DrawText(0, 7, "below");
    EXPECT_EQ(Print("a\r\nb\r\nc\r\nd"), 1); // four lines of text fill a page of four
    screen.SetLinesPrinted(0);
    screen.SetColor(0, 4);
    EXPECT_EQ(Print("\r\ne"), 0);
    EXPECT_EQ(Row(0), "status");
    EXPECT_EQ(Row(2), "b");
    EXPECT_EQ(Row(4), "d");
    EXPECT_EQ(Row(5), "e");
    // The scroll fills the freed line with the current background and moves nothing from
    // below the window into it or under it.
    EXPECT_EQ(At(5, 5).back, Rgb(0, 255, 0));
    EXPECT_EQ(At(5, 4).back, Rgb(255, 255, 255));
    EXPECT_EQ(Row(6), "");
    EXPECT_EQ(Row(7), "below");
}

TEST_F(TextOutput, OutputResumedAfterAPauseAlwaysMakesProgress) {
    for (int rows : {1, 2, 3}) {
        Lay(8, rows);
        const std::string text = "one two three four five six seven\r\neight";
        // A window of one line has no room for a prompt under its text and does not page.
        if (rows == 1)
            EXPECT_EQ(Print(text), 0);
        else
            EXPECT_GT(Print(text), 0) << rows;
        const std::string last = Row(rows - 1);
        EXPECT_EQ(last.substr(0, 5), "eight") << rows;
    }
}

TEST_F(TextOutput, ScreenSmallerThanACellEnds) {
    Lay(0, 0);
    Print("abc def\r\nghi");
    EXPECT_EQ(screen.OutPut("", false), "");
}

TEST_F(TextOutput, DeleteCharRubsOutOneCharacter) {
    Print(">abc");
    screen.DeleteChar("c");
    EXPECT_EQ(screen.GetCursor(), std::make_pair(1, 4));
    EXPECT_EQ(Row(0), ">ab");
    Print("x");
    EXPECT_EQ(Row(0), ">abx");
}

TEST_F(TextOutput, DeleteCharNearTheRightEdgeStaysOnItsLine) {
    Lay(5, 24);
    screen.BufferMode(0);
    Print("abcde");
    screen.DeleteChar("e");
    EXPECT_EQ(screen.GetCursor(), std::make_pair(1, 5));
    EXPECT_EQ(Row(0), "abcd");
    EXPECT_EQ(Row(1), "");
    EXPECT_EQ(screen.LinesPrinted(), 0);
}

TEST_F(TextOutput, DeleteCharUsesTheTextsBackground) {
    screen.SetTextStyle(kStyleReverse);
    Print("ab");
    screen.DeleteChar("b");
    EXPECT_EQ(At(1, 0).back, screen.StoredForeColor());
}

} // namespace
} // namespace lantern::test
