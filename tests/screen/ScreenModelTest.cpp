#include "screen/ScreenFixture.h"
#include "screen/zScreen.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

namespace lantern::test {
namespace {

constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kRed = Rgb(255, 0, 0);

using ScreenModel = ScreenFixture;

TEST_F(ScreenModel, StartsBlackOnWhiteOverTheWholeScreen) {
    EXPECT_EQ(screen.StoredForeColor(), kBlack);
    EXPECT_EQ(screen.StoredBackColor(), kWhite);
    EXPECT_EQ(surface.TextColour(), kBlack);
    EXPECT_EQ(surface.BackColour(), kWhite);
    EXPECT_EQ(screen.CharWidth(), 1);
    EXPECT_EQ(screen.CharHeight(), 1);
    const WindowRec& lower = screen.Window(0);
    EXPECT_EQ(lower.Top, 1);
    EXPECT_EQ(lower.Left, 1);
    EXPECT_EQ(lower.Width, kColumns);
    EXPECT_EQ(lower.Height, kRows);
    EXPECT_EQ(screen.Window(1).Height, 0);
    EXPECT_EQ(screen.CurrentWindow(), 0);
    EXPECT_EQ(At(kColumns - 1, kRows - 1).back, kWhite);
}

TEST_F(ScreenModel, NewSurfaceStartsInTheStartingColoursAgain) {
    screen.SetColor(9, 2);
    CellSurface other(10, 10);
    screen.SetSurface(other);
    EXPECT_EQ(screen.StoredForeColor(), kBlack);
    EXPECT_EQ(screen.StoredBackColor(), kWhite);
    EXPECT_EQ(other.BackColour(), kWhite);
}

TEST_F(ScreenModel, SplitWindowDividesTheScreenAndPushesTheLowerCursorDown) {
    screen.SplitWindow(3);
    EXPECT_EQ(screen.Window(1).Top, 1);
    EXPECT_EQ(screen.Window(1).Height, 3);
    EXPECT_EQ(screen.Window(1).Width, kColumns);
    EXPECT_EQ(screen.Window(0).Top, 4);
    EXPECT_EQ(screen.Window(0).Height, kRows - 3);
    // The lower cursor was on line 1, now in the upper window: it moves to line 4.
    EXPECT_EQ(screen.GetCursor(), std::make_pair(4, 1));
    EXPECT_EQ(screen.CurrentWindow(), 0);

    screen.SplitWindow(0);
    EXPECT_EQ(screen.Window(1).Height, 0);
    EXPECT_EQ(screen.Window(0).Top, 1);
    // A cursor already below the upper window stays where it is.
    EXPECT_EQ(screen.GetCursor(), std::make_pair(4, 1));
}

TEST_F(ScreenModel, SplitsLargerThanTheScreenAreClamped) {
    screen.SplitWindow(1000);
    EXPECT_EQ(screen.Window(1).Height, kRows);
    EXPECT_EQ(screen.Window(0).Top, kRows + 1);
    EXPECT_EQ(screen.Window(0).Height, 0);
    screen.SplitWindow(-7);
    EXPECT_EQ(screen.Window(1).Height, 0);
    EXPECT_EQ(screen.Window(0).Height, kRows);
    // Printing into a lower window of no lines leaves the upper window alone and ends
    // without a page; printing into an upper window over the whole screen never pages.
    screen.SplitWindow(1000);
    surface.DrawText(0, kRows - 1, "upper");
    EXPECT_EQ(Print("some words\r\nand more\r\n"), 0);
    EXPECT_EQ(Row(kRows - 1), "upper");
    screen.SetWindow(1);
    EXPECT_EQ(Print(NumberedLines(1, 100)), 0);
    EXPECT_EQ(Row(0), "1");
    EXPECT_EQ(Row(kRows - 2), "23");
}

// A surface whose cell is 10 x 22 pixels, for the pixel arithmetic of the model.
class PixelStub : public NullSurface {
  public:
    TextExtent MeasureText(std::string_view text) override {
        return {static_cast<int>(text.size()) * 10, 22};
    }
};

TEST(ScreenModelPixels, SplitRoundsTheLowerWindowHalvesToEven) {
    PixelStub surface;
    zScreen screen(surface);
    screen.SetScreenWidth(635);
    screen.SetScreenHeight(475);
    screen.EraseWindow(-1);
    EXPECT_EQ(screen.CharHeight(), 22);
    EXPECT_EQ(screen.Window(0).Height, 21); // 475 / 22 = 21.59, truncated
    EXPECT_EQ(screen.Window(0).Width, 63);
    screen.SplitWindow(3);
    EXPECT_EQ(screen.Window(1).Height, 3);
    EXPECT_EQ(screen.Window(0).Top, 4);
    EXPECT_EQ(screen.Window(0).Height, 19); // 18.59 rounded
    EXPECT_EQ(screen.Window(0).Width, 64);  // 63.5 rounds to even
    EXPECT_EQ(screen.Window(0).CursorY, 3 * 22);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
}

TEST_F(ScreenModel, WindowNumbersOutsideTheModelAreIgnored) {
    screen.SplitWindow(2);
    Print("text");
    const auto cursor = screen.GetCursor();
    screen.SetWindow(5);
    screen.SetWindow(-1);
    EXPECT_EQ(screen.CurrentWindow(), 0);
    screen.EraseWindow(7);
    screen.EraseWindow(-3);
    EXPECT_EQ(Row(2), "text");
    screen.SetCursor(1, 1, 6, 9);
    screen.SetCursor(1, 1, 6, -1);
    EXPECT_EQ(screen.GetCursor(), cursor);
}

TEST_F(ScreenModel, EraseUpperWindowClearsOnlyItsLines) {
    for (int y = 0; y < kRows; ++y)
        surface.DrawText(0, y, "x");
    screen.SplitWindow(3);
    screen.SetWindow(1);
    screen.SetCursor(2, 5, 5, 0);
    surface.ClearDirty();
    screen.EraseWindow(1);
    EXPECT_EQ(Row(0), "");
    EXPECT_EQ(Row(2), "");
    EXPECT_EQ(Row(3), "x");
    EXPECT_EQ(screen.GetCursor(), std::make_pair(1, 1));
    ASSERT_TRUE(surface.DirtyRect().has_value());
    EXPECT_EQ(*surface.DirtyRect(), (Rect{0, 0, kColumns, 3}));

    screen.EraseWindow(-1);
    EXPECT_EQ(Row(3), "");
    EXPECT_EQ(Row(kRows - 1), "");
    EXPECT_EQ(screen.Window(1).Height, 0);
    EXPECT_EQ(screen.CurrentWindow(), 0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(1, 1));
}

TEST_F(ScreenModel, EraseFillsWithTheCurrentBackgroundColour) {
    screen.SetColor(9, 2); // white on black
    screen.EraseWindow(-1);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x)
            ASSERT_EQ(At(x, y).back, kBlack) << x << "," << y;
    Print("hi");
    EXPECT_EQ(At(0, 0).text, kWhite);
    EXPECT_EQ(At(0, 0).back, kBlack);
    // Reverse video does not change the colour an erase uses.
    screen.SetTextStyle(kStyleReverse);
    screen.EraseWindow(0);
    EXPECT_EQ(At(0, 0).back, kBlack);
}

TEST_F(ScreenModel, EraseLowerWindowOfASplitScreenHomesToItsFirstLine) {
    screen.SplitWindow(3);
    Print("one\r\ntwo\r\nthree");
    screen.EraseWindow(0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(4, 1));
    Print("next");
    EXPECT_EQ(Row(3), "next");
    EXPECT_EQ(Row(0), "");
}

TEST_F(ScreenModel, EraseMinusTwoClearsEverythingAndKeepsTheSplit) {
    screen.SplitWindow(2);
    Print("lower");
    screen.SetWindow(1);
    Print("upper");
    screen.EraseWindow(-2);
    EXPECT_EQ(Row(0), "");
    EXPECT_EQ(Row(2), "");
    EXPECT_EQ(screen.Window(1).Height, 2);
    EXPECT_EQ(screen.CurrentWindow(), 1);
    EXPECT_EQ(screen.Window(0).CursorY, 2);
}

TEST_F(ScreenModel, SetCursorClampsToTheWindowAndGetCursorReadsItBack) {
    screen.SetCursor(5, 10, 5, 0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(5, 10));
    screen.SetCursor(0, -3, 5, 0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(1, 1));
    // The upper bounds are one past the last line and column.
    screen.SetCursor(30000, 30000, 5, 0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(kRows + 1, kColumns + 1));

    screen.SplitWindow(3);
    screen.SetWindow(1);
    screen.SetCursor(2, 7, 5, 0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(2, 7));
    screen.SetCursor(10, 1, 5, 0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(4, 1));
    screen.SetWindow(0);
    screen.SetCursor(1, 1, 5, 0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(4, 1));
}

TEST_F(ScreenModel, SetCursorOnAnUnsplitUpperWindowStaysOnTheScreen) {
    screen.SetWindow(1);
    screen.SetCursor(3, 3, 5, 0);
    EXPECT_EQ(screen.GetCursor(), std::make_pair(1, 1));
}

TEST_F(ScreenModel, SetCursorWithAWindowMovesThatWindowsCursor) {
    screen.SplitWindow(3);
    screen.SetCursor(2, 4, 6, 1);
    EXPECT_EQ(screen.CurrentWindow(), 0);
    EXPECT_EQ(screen.Window(1).CursorX, 3);
    EXPECT_EQ(screen.Window(1).CursorY, 1);
}

TEST_F(ScreenModel, StylesAccumulateUntilRoman) {
    screen.SetTextStyle(kStyleBold);
    screen.SetTextStyle(kStyleItalic);
    EXPECT_EQ(screen.GetTextStyle(), kStyleBold | kStyleItalic);
    EXPECT_TRUE(surface.FontBold());
    EXPECT_TRUE(surface.FontItalic());
    EXPECT_FALSE(surface.FontFixed());
    Print("a");
    EXPECT_TRUE(At(0, 0).bold);
    EXPECT_TRUE(At(0, 0).italic);
    screen.SetTextStyle(0);
    EXPECT_EQ(screen.GetTextStyle(), 0);
    EXPECT_FALSE(surface.FontBold());
    EXPECT_FALSE(surface.FontItalic());
    screen.SetTextStyle(kStyleFixed);
    EXPECT_TRUE(surface.FontFixed());
}

TEST_F(ScreenModel, UpperWindowIsAlwaysFixedPitchAndStylesArePerWindow) {
    screen.SplitWindow(2);
    screen.SetTextStyle(kStyleBold);
    screen.SetWindow(1);
    EXPECT_TRUE(surface.FontFixed());
    EXPECT_FALSE(surface.FontBold());
    EXPECT_EQ(screen.GetTextStyle(), 0);
    screen.SetWindow(0);
    EXPECT_FALSE(surface.FontFixed());
    EXPECT_TRUE(surface.FontBold());
}

TEST_F(ScreenModel, SetColorFollowsTheColourTable) {
    screen.SetColor(0, 0);
    EXPECT_EQ(screen.StoredForeColor(), kBlack);
    EXPECT_EQ(screen.StoredBackColor(), kWhite);
    screen.SetColor(1, 1);
    EXPECT_EQ(screen.StoredForeColor(), kBlack);
    EXPECT_EQ(screen.StoredBackColor(), kWhite);
    screen.SetColor(13, 3);
    EXPECT_EQ(screen.StoredForeColor(), kBlack);
    EXPECT_EQ(screen.StoredBackColor(), kRed);
    screen.SetColor(12, -1);
    EXPECT_EQ(screen.StoredForeColor(), Rgb(64, 64, 64));
    EXPECT_EQ(surface.TextColour(), Rgb(64, 64, 64));
    EXPECT_EQ(surface.BackColour(), kRed);
}

TEST_F(ScreenModel, ReverseSwapsTheColoursAndRomanSwapsThemBack) {
    screen.SetColor(9, 2); // white on black
    screen.SetTextStyle(kStyleReverse);
    Print("r");
    EXPECT_EQ(At(0, 0).text, kBlack);
    EXPECT_EQ(At(0, 0).back, kWhite);
    screen.SetTextStyle(0);
    Print("n");
    EXPECT_EQ(At(1, 0).text, kWhite);
    EXPECT_EQ(At(1, 0).back, kBlack);
}

TEST_F(ScreenModel, ColourChangeKeepsReverseVideoReversed) {
    screen.SetTextStyle(kStyleReverse);
    screen.SetColor(3, 9); // red on white, reversed
    EXPECT_EQ(surface.TextColour(), kWhite);
    EXPECT_EQ(surface.BackColour(), kRed);
}

TEST_F(ScreenModel, BufferModeSetsTheLowerWindowsFlagFromAnyWindow) {
    screen.SplitWindow(1);
    screen.SetWindow(1);
    screen.BufferMode(1);
    EXPECT_TRUE(screen.Window(0).Buffered);
    EXPECT_FALSE(screen.Window(1).Buffered);
    screen.BufferMode(0x100); // only the low byte counts
    EXPECT_FALSE(screen.Window(0).Buffered);
}

TEST_F(ScreenModel, UpdateDisplayInvalidatesTheWholeScreen) {
    surface.ClearDirty();
    screen.UpdateDisplay();
    ASSERT_TRUE(surface.IsDirty());
    EXPECT_EQ(*surface.DirtyRect(), (Rect{0, 0, kColumns, kRows + 2}));
}

TEST_F(ScreenModel, AResizeKeepsTheCellsAndTheCursorsLineAndNeverGoesBelowTheMinimum) {
    screen.SplitWindow(2);
    screen.SetWindow(1);
    Print("Upper left");
    screen.SetWindow(0);
    Print(NumberedLines(1, 21) + "> typed");
    ASSERT_EQ(screen.GetCursor().first, kRows);

    // Wider and shorter: the upper window keeps its cells, the lower window's text moves up by
    // the rows lost so that the cursor's line stays, and the new cells are blank.
    screen.Resize(50, 20);
    EXPECT_EQ(surface.Width(), 50);
    EXPECT_EQ(surface.Height(), 20);
    EXPECT_EQ(screen.ScreenWidth(), 50);
    EXPECT_EQ(screen.ScreenHeight(), 20);
    EXPECT_EQ(Row(0), "Upper left");
    EXPECT_EQ(screen.Window(1).Width, 50);
    EXPECT_EQ(screen.Window(0).Width, 50);
    EXPECT_EQ(screen.Window(0).Top, 3);
    EXPECT_EQ(screen.Window(0).Height, 18);
    EXPECT_EQ(Row(19), "> typed");
    EXPECT_EQ(Row(18), "21");
    EXPECT_EQ(screen.GetCursor(), std::make_pair(20, 8));
    // New text wraps at the new width.
    screen.BufferMode(1);
    Print(" " + std::string(45, 'x'));
    EXPECT_EQ(Row(19), std::string(45, 'x'));

    // Narrower than the minimum: the screen keeps 10 columns and 3 rows; the upper window is
    // cut to leave the lower one a line, and its text is cut at the edge.
    screen.Resize(4, 1);
    EXPECT_EQ(screen.ScreenWidth(), kMinimumColumns);
    EXPECT_EQ(screen.ScreenHeight(), kMinimumRows);
    EXPECT_EQ(surface.Width(), kMinimumColumns);
    EXPECT_EQ(Row(0), "Upper left");
    EXPECT_EQ(screen.Window(1).Height, 2);
    EXPECT_EQ(screen.Window(0).Top, 3);
    EXPECT_EQ(screen.Window(0).Height, 1);
    EXPECT_EQ(Row(2), "xxxxxxxxxx");
}

// What a cell shows: its character and background, and for a character its colour and weight.
bool SameLook(const CellSurface::Cell& a, const CellSurface::Cell& b) {
    return a.ch == b.ch && a.back == b.back &&
           (a.ch == U' ' || (a.text == b.text && a.bold == b.bold && a.italic == b.italic));
}

// A status line in reverse video with text far to its right, a wrapped paragraph, and words in
// bold and in colour.
class StyledScreen : public ScreenFixture {
  protected:
    void PrintStyledScreen() {
        screen.SplitWindow(1);
        screen.SetWindow(1);
        screen.SetTextStyle(kStyleReverse);
        screen.FillLine();
        Print("Status line");
        screen.SetCursor(1, 35, 5, 0);
        Print("Right");
        screen.SetWindow(0);
        screen.BufferMode(1);
        Print("The first paragraph is long enough to wrap on a narrow screen.\r\n");
        screen.SetTextStyle(kStyleBold);
        screen.SetColor(3, 6);
        Print("Bold red words");
        screen.SetTextStyle(0);
        Print(" then red on blue.\r\n>");
    }
};

TEST_F(StyledScreen, NarrowingAndWideningAgainReflowsTheTextAndKeepsEveryLook) {
    PrintStyledScreen();
    std::vector<CellSurface::Cell> before;
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x)
            before.push_back(At(x, y));
    ASSERT_EQ(Row(1), "The first paragraph is long enough to");

    // Narrow: the paragraphs wrap again, the upper window shows the cells that fit.
    screen.Resize(20, kRows);
    EXPECT_EQ(Row(0), "Status line");
    EXPECT_EQ(At(19, 0).back, kBlack);
    EXPECT_EQ(Row(1), "The first paragraph");
    EXPECT_EQ(Row(2), "is long enough to");
    EXPECT_EQ(Row(3), "wrap on a narrow");
    EXPECT_EQ(Row(4), "screen.");
    EXPECT_EQ(Row(5), "Bold red words then");
    EXPECT_TRUE(At(0, 5).bold);
    EXPECT_EQ(At(0, 5).text, kRed);
    EXPECT_EQ(At(0, 5).back, Rgb(0, 0, 255));
    EXPECT_FALSE(At(15, 5).bold);
    EXPECT_EQ(At(15, 5).back, Rgb(0, 0, 255));
    EXPECT_EQ(Row(7), ">");
    EXPECT_EQ(screen.GetCursor(), std::make_pair(8, 2));

    // Wide again: everything as it was, the cells past the narrow width included.
    screen.Resize(kColumns, kRows);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x)
            EXPECT_TRUE(SameLook(At(x, y), before[static_cast<size_t>(y * kColumns + x)]))
                << x << "," << y;
    EXPECT_EQ(screen.GetCursor(), std::make_pair(5, 2));
    // New text goes on in the story's colours.
    Print("x");
    EXPECT_EQ(At(1, 4).text, kRed);
}

TEST_F(ScreenModel, TextPushedAboveTheScreenComesBackWhenItWidens) {
    screen.BufferMode(1);
    for (int i = 1; i <= kRows; ++i)
        Print("Line " + std::to_string(i) + " has a few words, fewer than a screen's width.\r\n");
    Print(">");
    std::vector<std::string> before;
    for (int y = 0; y < kRows; ++y)
        before.push_back(Row(y));
    ASSERT_EQ(before[kRows - 3], "Line 24 has a few words, fewer than a");
    // Narrower: more lines, and the cursor's line stays at the bottom.
    screen.Resize(20, kRows);
    EXPECT_EQ(Row(kRows - 4), "Line 24 has a few");
    EXPECT_EQ(Row(kRows - 2), "screen's width.");
    EXPECT_EQ(Row(kRows - 1), ">");
    // Wider again: the lines pushed above the screen come back.
    screen.Resize(kColumns, kRows);
    for (int y = 0; y < kRows; ++y)
        EXPECT_EQ(Row(y), before[static_cast<size_t>(y)]) << y;
}

TEST_F(ScreenModel, APromptStandingWhenTheScreenChangesStaysOnItsLastLine) {
    screen.BufferMode(1);
    const std::string rest = screen.OutPut(NumberedLines(1, 40), false);
    ASSERT_FALSE(rest.empty());
    ASSERT_EQ(Row(kRows - 1), std::string(kMorePrompt));
    // Shorter, and as tall again: the lines pushed above the screen come back.
    for (const int rows : {kRows - 6, kRows}) {
        screen.Resize(kColumns, rows);
        EXPECT_EQ(Row(rows - 1), std::string(kMorePrompt)) << rows;
        EXPECT_EQ(Row(rows - 2), "23") << rows;
    }
    // The rest goes on from there after the key.
    screen.SetLinesPrinted(0);
    screen.OutPut(rest, true);
    EXPECT_EQ(Row(kRows - 2), "40");
}

TEST_F(StyledScreen, ASnapshotShowsTheScreenAgainWithItsLooksAndColours) {
    PrintStyledScreen();
    const ScreenSnapshot snapshot = screen.Snapshot();
    EXPECT_EQ(snapshot.UpperText(),
              std::vector<std::string>{"Status line" + std::string(23, ' ') + "Right"});
    EXPECT_EQ(
        snapshot.LowerText(),
        (std::vector<std::string>{"The first paragraph is long enough to wrap on a narrow screen.",
                                  "Bold red words then red on blue.", ">"}));
    const auto decoded = ScreenSnapshot::Decode(snapshot.Encode());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, snapshot);
    EXPECT_FALSE(ScreenSnapshot::Decode(snapshot.Encode() + "more"));
    EXPECT_FALSE(ScreenSnapshot::Decode("lantern-screen 2\nwindow 7\n"));

    // Shown again on a new screen in the player's colours: the same cells, and new text in
    // the colours the story had set.
    CellSurface other(kColumns, kRows + 2);
    zScreen shown(other);
    shown.SetScreenWidth(kColumns);
    shown.SetScreenHeight(kRows);
    shown.EraseWindow(-1);
    shown.ShowSnapshot(*decoded);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x)
            EXPECT_TRUE(SameLook(other.CellAt(x, y), At(x, y))) << x << "," << y;
    EXPECT_EQ(shown.Window(0).Top, 2);
    EXPECT_EQ(shown.GetCursor(), std::make_pair(5, 2));
    EXPECT_EQ(shown.StoredForeColor(), kRed);
    EXPECT_EQ(shown.OutPut("x", false), "");
    EXPECT_EQ(other.CellAt(1, 4).text, kRed);
    EXPECT_EQ(other.CellAt(1, 4).back, Rgb(0, 0, 255));

    // The text-only screens of earlier versions are shown too.
    const auto old =
        ScreenSnapshot::Decode("lantern-screen 1\nupper 1\n    Status\nlower 2\nFirst line\n>\n");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->UpperText(), std::vector<std::string>{"    Status"});
    EXPECT_EQ(old->LowerText(), (std::vector<std::string>{"First line", ">"}));
    EXPECT_FALSE(ScreenSnapshot::Decode("lantern-screen 1\nupper 9999\n"));
}

TEST_F(ScreenModel, EraseLineIsIgnored) {
    Print("keep");
    screen.EraseLine(1, 5);
    EXPECT_EQ(Row(0), "keep");
}

} // namespace
} // namespace lantern::test
