#pragma once

#include "screen/CellSurface.h"
#include "screen/zScreen.h"

#include <gtest/gtest.h>
#include <string>

namespace lantern::test {

/// A screen model over a character grid: a 40 x 24 screen on a 40 x 26 grid, so that the two
/// rows under the screen show what is drawn below the lower window (the "[**MORE**]" prompt).
class ScreenFixture : public ::testing::Test {
  protected:
    static constexpr int kColumns = 40;
    static constexpr int kRows = 24;

    CellSurface surface{kColumns, kRows + 2};
    zScreen screen{surface};

    void SetUp() override { Lay(kColumns, kRows); }

    /// Lays the screen out as a new game does: size, then erase everything.
    void Lay(int columns, int rows) {
        screen.SetScreenWidth(columns);
        screen.SetScreenHeight(rows);
        screen.EraseWindow(-1);
    }

    /// Prints as the machine does: after each page break the count restarts and the rest is
    /// output again. Returns the number of page breaks.
    int Print(std::string_view text) {
        int pages = 0;
        std::string rest = screen.OutPut(text, false);
        while (!rest.empty()) {
            ++pages;
            EXPECT_LT(pages, 1000) << "output makes no progress";
            if (pages >= 1000)
                break;
            screen.SetLinesPrinted(0);
            rest = screen.OutPut(rest, true);
        }
        return pages;
    }

    std::string Row(int y) const { return surface.RowTextTrimmed(y); }
    const CellSurface::Cell& At(int x, int y) const { return surface.CellAt(x, y); }
};

/// Lines "1\r\n2\r\n...": the numbers first to last, each followed by a line break.
inline std::string NumberedLines(int first, int last) {
    std::string text;
    for (int i = first; i <= last; ++i)
        text += std::to_string(i) + "\r\n";
    return text;
}

} // namespace lantern::test
