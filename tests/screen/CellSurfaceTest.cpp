#include "screen/CellSurface.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace lantern::test {
namespace {

TEST(CellSurface, StartsBlankInTheStartingColours) {
    CellSurface surface(4, 3);
    EXPECT_EQ(surface.Width(), 4);
    EXPECT_EQ(surface.Height(), 3);
    EXPECT_EQ(surface.RowText(2), "    ");
    EXPECT_EQ(surface.CellAt(3, 2).back, CellSurface::kDefaultBack);
    EXPECT_EQ(surface.TextColour(), CellSurface::kDefaultText);
    EXPECT_THROW(surface.CellAt(4, 0), std::out_of_range);
    EXPECT_THROW(surface.CellAt(0, -1), std::out_of_range);
}

TEST(CellSurface, MeasuresOneCellPerCharacter) {
    CellSurface surface(4, 3);
    EXPECT_EQ(surface.MeasureText("hello").width, 5);
    EXPECT_EQ(surface.MeasureText("hello").height, 1);
    EXPECT_EQ(surface.MeasureText("").width, 0);
}

TEST(CellSurface, DrawsTextInTheCurrentColoursAndFontClippedToTheGrid) {
    CellSurface surface(5, 2);
    surface.SetTextColour(Rgb(1, 2, 3));
    surface.SetBackColour(Rgb(4, 5, 6));
    surface.SelectFont(true, true, false);
    surface.DrawText(-2, 0, "abcdefgh");
    EXPECT_EQ(surface.RowText(0), "cdefg");
    const CellSurface::Cell& cell = surface.CellAt(0, 0);
    EXPECT_EQ(cell.ch, 'c');
    EXPECT_EQ(cell.text, Rgb(1, 2, 3));
    EXPECT_EQ(cell.back, Rgb(4, 5, 6));
    EXPECT_TRUE(cell.fixed);
    EXPECT_TRUE(cell.bold);
    EXPECT_FALSE(cell.italic);
    surface.DrawText(3, 1, "xyz");
    EXPECT_EQ(surface.RowText(1), "   xy");
    surface.DrawText(0, 2, "off");
    surface.DrawText(0, -1, "off");
    surface.DrawText(2147483600, 1, "far");
    surface.DrawText(-2147483600, 1, "far");
    EXPECT_EQ(surface.RowText(1), "   xy");
    // Characters beyond ASCII take a cell each, clipped alike; a stray byte stands for itself.
    surface.DrawText(-1, 1, "\xC3\xA9t\xE2\x82\xAC\xFFz!");
    EXPECT_EQ(surface.CellAt(0, 1).ch, U't');
    EXPECT_EQ(surface.CellAt(1, 1).ch, U'\u20AC');
    EXPECT_EQ(surface.CellAt(2, 1).ch, U'\u00FF');
    EXPECT_EQ(surface.CellAt(4, 1).ch, U'!');
    EXPECT_EQ(surface.MeasureText("\xC3\xA9t\xE2\x82\xAC\xFFz!").width, 6);
}

TEST(CellSurface, FillsClippedRectangles) {
    CellSurface surface(4, 3);
    surface.DrawText(0, 0, "abcd");
    surface.DrawText(0, 1, "efgh");
    surface.FillRect(-5, -5, 2, 1, Rgb(9, 9, 9));
    EXPECT_EQ(surface.RowText(0), "  cd");
    EXPECT_EQ(surface.CellAt(1, 0).back, Rgb(9, 9, 9));
    EXPECT_EQ(surface.CellAt(2, 0).back, CellSurface::kDefaultBack);
    surface.FillRect(3, 0, 2, 3, 0); // empty
    surface.FillRect(1, 1, 2147483647, 2147483647, 0);
    EXPECT_EQ(surface.RowText(1), "e   ");
}

TEST(CellSurface, CopiesBlocksBothWaysAndClipsThem) {
    CellSurface surface(4, 4);
    for (int y = 0; y < 4; ++y)
        surface.DrawText(0, y, std::string(4, static_cast<char>('a' + y)));
    // Up by one, overlapping.
    surface.CopyBlock(0, 1, 4, 3, 0, 0);
    EXPECT_EQ(surface.RowText(0), "bbbb");
    EXPECT_EQ(surface.RowText(2), "dddd");
    EXPECT_EQ(surface.RowText(3), "dddd");
    // Down by one, overlapping.
    surface.CopyBlock(0, 0, 4, 2, 0, 1);
    EXPECT_EQ(surface.RowText(1), "bbbb");
    EXPECT_EQ(surface.RowText(2), "cccc");
    // Sideways within a row, and a block reaching past every edge.
    surface.DrawText(0, 0, "wxyz");
    surface.CopyBlock(0, 0, 3, 1, 1, 0);
    EXPECT_EQ(surface.RowText(0), "wwxy");
    // From (-2, -2) to (1, 1): only the source cell (0, 0) has a destination, (3, 3).
    surface.CopyBlock(-2, -2, 100, 100, 1, 1);
    EXPECT_EQ(surface.RowText(3), "dddw");
    EXPECT_EQ(surface.RowText(1), "bbbb");
    surface.CopyBlock(0, 0, 4, 4, 10, 10);
    surface.CopyBlock(0, 0, -4, 4, 0, 1);
    surface.CopyBlock(0, 2147483000, 4, 2147483000, 0, 0);
}

TEST(CellSurface, WholeRowsMovingUpLeaveTheRowsAroundThemAlone) {
    // Rows that scroll change places inside the surface: what is read, drawn and kept through
    // a resize afterwards is what a copy would have left.
    CellSurface surface(3, 6);
    for (int y = 0; y < 6; ++y)
        surface.DrawText(0, y, std::string(3, static_cast<char>('a' + y)));
    surface.CopyBlock(0, 3, 3, 2, 0, 1); // rows 3 and 4 up to 1 and 2, copied
    const std::vector<std::string> expected{"aaa", "ddd", "eee", "ddd", "eee", "fff"};
    for (int y = 0; y < 6; ++y)
        EXPECT_EQ(surface.RowText(y), expected[static_cast<size_t>(y)]) << y;
    surface.CopyBlock(0, 2, 3, 4, 0, 1); // rows 2 to 5 up by one, turned round
    surface.DrawText(1, 4, "x");
    surface.Resize(2, 6);
    const std::vector<std::string> after{"aa", "ee", "dd", "ee", "fx", "ff"};
    for (int y = 0; y < 6; ++y)
        EXPECT_EQ(surface.RowText(y), after[static_cast<size_t>(y)]) << y;
}

TEST(CellSurface, RecordsInvalidatedRectangles) {
    CellSurface surface(10, 5);
    surface.ClearDirty();
    EXPECT_FALSE(surface.IsDirty());
    std::vector<Rect> seen;
    surface.SetInvalidateHandler([&](const Rect& r) { seen.push_back(r); });
    surface.Invalidate(1, 1, 3, 2);
    surface.Invalidate(5, 0, 100, 3);
    surface.Invalidate(20, 20, 30, 30); // off the grid: nothing
    ASSERT_TRUE(surface.IsDirty());
    EXPECT_EQ(*surface.DirtyRect(), (Rect{1, 0, 10, 3}));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], (Rect{5, 0, 10, 3}));
    surface.ClearDirty();
    EXPECT_FALSE(surface.IsDirty());
}

TEST(CellSurface, ResizeKeepsWhatFits) {
    CellSurface surface(4, 2);
    surface.DrawText(0, 0, "abcd");
    surface.DrawText(0, 1, "efgh");
    surface.SetBackColour(Rgb(7, 7, 7));
    surface.ClearDirty();
    surface.Resize(2, 3);
    EXPECT_EQ(surface.Width(), 2);
    EXPECT_EQ(surface.Height(), 3);
    EXPECT_EQ(surface.RowText(0), "ab");
    EXPECT_EQ(surface.RowText(1), "ef");
    EXPECT_EQ(surface.RowText(2), "  ");
    EXPECT_EQ(surface.CellAt(0, 2).back, Rgb(7, 7, 7));
    EXPECT_EQ(*surface.DirtyRect(), (Rect{0, 0, 2, 3}));
    surface.Resize(-1, 5);
    EXPECT_EQ(surface.Width(), 0);
    surface.DrawText(0, 0, "x");
    surface.FillRect(0, 0, 5, 5, 0);
}

TEST(SurfaceClipping, ClipBlockCopyKeepsSourceAndDestinationOnTheSurface) {
    auto copy = ClipBlockCopy(-1, 0, 5, 2, 2, 0, 4, 4);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->srcX, 0);
    EXPECT_EQ(copy->dstX, 3);
    EXPECT_EQ(copy->width, 1);
    EXPECT_EQ(copy->height, 2);
    EXPECT_FALSE(ClipBlockCopy(0, 0, 4, 4, 4, 0, 4, 4));
    EXPECT_FALSE(ClipBlockCopy(0, 0, 0, 4, 0, 0, 4, 4));
    EXPECT_FALSE(ClipRect(3, 3, 3, 5, 10, 10));
    EXPECT_EQ(*ClipRect(-3, 2, 30, 5, 10, 4), (Rect{0, 2, 10, 4}));
}

} // namespace
} // namespace lantern::test
