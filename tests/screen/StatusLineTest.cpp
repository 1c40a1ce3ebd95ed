#include "screen/StatusLine.h"

#include "screen/ScreenFixture.h"

#include <gtest/gtest.h>
#include <tuple>

namespace lantern::test {
namespace {

class StatusLine : public ScreenFixture {
  protected:
    void SetUp() override {
        // A 42-cell screen gives a 40-cell status line.
        surface.Resize(42, kRows + 2);
        Lay(42, kRows);
        screen.BufferMode(1);
    }

    static StatusLineInfo Score(std::string name, int score, int moves) {
        StatusLineInfo info;
        info.location = 5;
        info.locationName = std::move(name);
        info.scoreOrHours = score;
        info.movesOrMinutes = moves;
        return info;
    }
};

TEST_F(StatusLine, ScoreGameEndsOneCellBeforeTheLineEnd) {
    DrawStatusLine(screen, Score("West of House", 5, 12));
    const std::string row = surface.RowText(0);
    EXPECT_EQ(row.substr(0, 13), "West of House");
    // 1-based positions 36 to 39 hold "5/12"; 40 is a space; the band goes on to the edge.
    EXPECT_EQ(row.substr(35, 4), "5/12");
    EXPECT_EQ(row.substr(39, 1), " ");
    EXPECT_EQ(row.substr(13, 22), std::string(22, ' '));
    // Drawn in reverse video in the fixed-pitch font, over the whole line.
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(At(x, 0).text, Rgb(255, 255, 255)) << x;
        EXPECT_EQ(At(x, 0).back, Rgb(0, 0, 0)) << x;
        EXPECT_TRUE(At(x, 0).fixed) << x;
    }
    EXPECT_EQ(At(41, 0).back, Rgb(0, 0, 0));
    EXPECT_EQ(At(41, 1).back, Rgb(255, 255, 255));
    // The lower window is current again, below the one-line upper window.
    EXPECT_EQ(screen.CurrentWindow(), 0);
    EXPECT_EQ(screen.Window(1).Height, 1);
    EXPECT_EQ(screen.Window(0).Top, 2);
    EXPECT_EQ(screen.Window(1).Style & kStyleReverse, kStyleReverse);
    EXPECT_EQ(screen.GetTextStyle(), 0);
}

TEST_F(StatusLine, TimeGameShowsHoursAndTwoDigitMinutes) {
    StatusLineInfo info = Score("Kitchen", 9, 5);
    info.timeGame = true;
    EXPECT_EQ(StatusLineText(info, 40).substr(35, 4), "9:05");
    info.scoreOrHours = 12;
    info.movesOrMinutes = 30;
    EXPECT_EQ(StatusLineText(info, 40).substr(34, 5), "12:30");
    DrawStatusLine(screen, info);
    EXPECT_EQ(surface.RowText(0).substr(34, 5), "12:30");
}

TEST_F(StatusLine, NegativeNumbersKeepTheirSign) {
    EXPECT_EQ(StatusLineText(Score("Pit", -3, 7), 40).substr(35, 4), "-3/7");
    StatusLineInfo info = Score("Pit", 1, -5);
    info.timeGame = true;
    EXPECT_EQ(StatusLineText(info, 40).substr(34, 5), "1:-05");
}

TEST_F(StatusLine, LongNameIsCutAndTheScoreOverwritesItsEnd) {
    const std::string name(60, 'N');
    const std::string line = StatusLineText(Score(name, 10, 200), 40);
    EXPECT_EQ(line.size(), 40u);
    EXPECT_EQ(line.substr(0, 33), std::string(33, 'N'));
    EXPECT_EQ(line.substr(33, 6), "10/200");
    EXPECT_EQ(line.substr(39, 1), "N");
}

TEST_F(StatusLine, NoLocationDrawsNothingAndReturnsToTheLowerWindow) {
    DrawStatusLine(screen, Score("Old", 1, 1));
    StatusLineInfo none;
    none.location = 0;
    none.locationName = "Ignored";
    DrawStatusLine(screen, none);
    EXPECT_EQ(surface.RowText(0).substr(0, 3), "Old");
    EXPECT_EQ(screen.CurrentWindow(), 0);
    none.location = -4;
    DrawStatusLine(screen, none);
    EXPECT_EQ(screen.CurrentWindow(), 0);
}

TEST_F(StatusLine, RedrawingCoversThePreviousLine) {
    DrawStatusLine(screen, Score("A very long room name", 100, 1000));
    DrawStatusLine(screen, Score("Hall", 1, 2));
    const std::string row = surface.RowText(0);
    EXPECT_EQ(row.substr(0, 40), "Hall" + std::string(32, ' ') + "1/2 ");
}

TEST_F(StatusLine, SpelledOutFormsNeedRoomBesideTheName) {
    StatusLineInfo info = Score("West of House", 5, 12);
    info.spelledOut = true;
    EXPECT_EQ(StatusLineText(info, 40),
              "West of House" + std::string(7, ' ') + "Score: 5  Moves: 12 ");
    // The name, two blanks and the long form fill the line but for its last cell.
    EXPECT_EQ(StatusLineText(info, 35).substr(13, 22), "  Score: 5  Moves: 12 ");
    EXPECT_EQ(StatusLineText(info, 34).substr(29), "5/12 ");
    info.timeGame = true;
    // A 12-hour clock: midnight and noon are 12, the minutes two digits.
    for (const auto& [hours, minutes, text] :
         {std::tuple{0, 5, "Time: 12:05 am"}, std::tuple{9, 0, "Time: 9:00 am"},
          std::tuple{12, 30, "Time: 12:30 pm"}, std::tuple{23, 59, "Time: 11:59 pm"},
          std::tuple{24, 0, "Time: 24:00"}, std::tuple{-1, 5, "Time: -1:05"},
          std::tuple{9, 60, "Time: 9:60"}}) {
        info.scoreOrHours = hours;
        info.movesOrMinutes = minutes;
        const std::string right = text;
        EXPECT_EQ(StatusLineText(info, 40).substr(39 - right.size()), right + " ") << hours;
    }
}

TEST_F(StatusLine, NarrowScreensCutTheRightHandText) {
    // The line's length is the width less two, halves to even.
    Lay(7, kRows);
    EXPECT_EQ(StatusLineLength(screen), 5);
    EXPECT_EQ(StatusLineText(Score("Hall", 123, 456), 5), "123/ ");
    EXPECT_EQ(StatusLineText(Score("Hall", 5, 12), 5), "5/12 ");
    EXPECT_EQ(StatusLineText(Score("Hall", 5, 12), 6), "H5/12 ");
    EXPECT_EQ(StatusLineText(Score("Hall", 5, 12), 2), "5a");
    EXPECT_EQ(StatusLineText(Score("Hall", 5, 12), 1), "H");
    EXPECT_EQ(StatusLineText(Score("Hall", 5, 12), 0), "");
    EXPECT_EQ(StatusLineText(Score("Hall", 5, 12), -3), "");
    DrawStatusLine(screen, Score("Hall", 123, 456));
    EXPECT_EQ(Row(0), "123/");
    for (int width : {3, 2, 1, 0}) {
        Lay(width, kRows);
        DrawStatusLine(screen, Score("Hall", 5, 12));
        EXPECT_EQ(screen.CurrentWindow(), 0);
    }
}

} // namespace
} // namespace lantern::test
