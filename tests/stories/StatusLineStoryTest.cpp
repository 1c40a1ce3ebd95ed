// Plays our own stories in the machine over a character grid and reads the status row, which a
// console transcript leaves out: the interpreter's status line of the version 3 score and time
// games, the one a version 5 story draws for itself in the upper window, and a table printed
// there.
#include "machine/zMachine.h"
#include "screen/CellSurface.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace lantern::test {
namespace {

constexpr int kColumns = 40;
constexpr int kRows = 24;
// The interpreter's status line leaves the last two cells of the width alone.
constexpr int kLineLength = kColumns - 2;

class StatusLineStory : public ::testing::Test {
  protected:
    TestHost host;
    CellSurface surface{kColumns, kRows + 1};
    std::unique_ptr<zMachine> machine;

    /// Plays the story with the keys typed; it stops at the first wait after the keys run out,
    /// with the status line drawn for that read.
    GameOutcome Play(const std::string& story, const std::string& keys, bool standard = false,
                     int columns = kColumns) {
        machine = std::make_unique<zMachine>(host, surface, 1);
        machine->SetStandard(standard);
        host.deliverKey = [this](int key) { machine->Keys().KeyPress(key); };
        machine->SetPagingWait(false);
        surface.Resize(columns, kRows + 1);
        machine->PrepareScreen(columns, kRows);
        host.Type(keys);
        return machine->RunGame(story);
    }

    /// The status line the interpreter should draw: the name at the left, the right-hand text
    /// ending one cell before the line's end.
    static std::string Line(const std::string& name, const std::string& right,
                            int length = kLineLength) {
        std::string line(static_cast<size_t>(length), ' ');
        line.replace(0, name.size(), name);
        line.replace(static_cast<size_t>(length) - 1 - right.size(), right.size(), right);
        return line;
    }

    std::string StatusRow(int length = kLineLength) const {
        return surface.RowText(0).substr(0, static_cast<size_t>(length));
    }

    void ExpectReverseVideo(int from, int to) const {
        for (int x = from; x < to; ++x) {
            EXPECT_EQ(surface.CellAt(x, 0).back, CellSurface::kDefaultText) << "column " << x;
            EXPECT_EQ(surface.CellAt(x, 0).text, CellSurface::kDefaultBack) << "column " << x;
        }
    }
};

TEST_F(StatusLineStory, ScoreGameShowsLocationScoreAndMoves) {
    EXPECT_EQ(Play(LANTERN_STORY_GARDEN_V3, "").kind, GameOutcome::Kind::Stopped);
    EXPECT_EQ(StatusRow(), Line("Walled Garden", "0/0"));
    ExpectReverseVideo(0, kLineLength);
    // The lower window starts below the status row.
    EXPECT_EQ(surface.RowTextTrimmed(1), "An evening in an old garden.");

    // The location global names the room even in the dark.
    Play(LANTERN_STORY_GARDEN_V3, "take lamp\rd\r");
    EXPECT_EQ(StatusRow(), Line("Cellar", "0/2"));

    Play(LANTERN_STORY_GARDEN_V3, "take lamp\rd\rlight lamp\rtake coin\r");
    EXPECT_EQ(StatusRow(), Line("Cellar", "10/4"));

    // Commands that are not understood take no move.
    Play(LANTERN_STORY_GARDEN_V3, "take lamp\rxyzzy\rtake nothing\rlook\r");
    EXPECT_EQ(StatusRow(), Line("Walled Garden", "0/2"));
}

TEST_F(StatusLineStory, TimeGameShowsHoursAndTwoDigitMinutes) {
    EXPECT_EQ(Play(LANTERN_STORY_STATION, "").kind, GameOutcome::Kind::Stopped);
    EXPECT_EQ(StatusRow(), Line("Platform 2", "8:47"));
    ExpectReverseVideo(0, kLineLength);

    // Six commands of a minute, then five minutes of waiting.
    Play(LANTERN_STORY_STATION, "look\rtime\rx clock\rw\re\rscore\rwait\r");
    EXPECT_EQ(StatusRow(), Line("Platform 2", "8:58"));

    // Past the hour, with the minutes still in two digits.
    Play(LANTERN_STORY_STATION, "look\rtime\rx clock\rw\re\rscore\rwait\rwait\rw\rtake ticket\r");
    EXPECT_EQ(StatusRow(), Line("Ticket Office", "9:05"));
}

TEST_F(StatusLineStory, TheCompleteMachineSpellsTheFormsOutWhereTheyFit) {
    // 80 columns: room for the long forms.
    Play(LANTERN_STORY_GARDEN_V3, "take lamp\rd\r", true, 80);
    EXPECT_EQ(StatusRow(78), Line("Cellar", "Score: 0  Moves: 2", 78));
    Play(LANTERN_STORY_STATION, "", true, 80);
    EXPECT_EQ(StatusRow(78), Line("Platform 2", "Time: 8:47 am", 78));
    ExpectReverseVideo(0, 78);

    // 30 columns: the long form where it fits beside the name, else the short one.
    Play(LANTERN_STORY_GARDEN_V3, "", true, 30);
    EXPECT_EQ(StatusRow(28), Line("Walled Garden", "0/0", 28));
    Play(LANTERN_STORY_GARDEN_V3, "take lamp\rd\r", true, 30);
    EXPECT_EQ(StatusRow(28), Line("Cellar", "Score: 0  Moves: 2", 28));
    Play(LANTERN_STORY_STATION, "", true, 30);
    EXPECT_EQ(StatusRow(28), Line("Platform 2", "Time: 8:47 am", 28));
    Play(LANTERN_STORY_STATION, "look\rtime\rx clock\rw\re\rscore\rwait\rwait\rw\rtake ticket\r",
         true, 30);
    EXPECT_EQ(StatusRow(28), Line("Ticket Office", "9:05", 28));
}

TEST_F(StatusLineStory, VersionFiveStoryDrawsItsOwnStatusLine) {
    EXPECT_EQ(Play(LANTERN_STORY_GARDEN_V5, "take lamp\rd\r").kind, GameOutcome::Kind::Stopped);
    // The story fills the whole width in reverse video and places its texts with set_cursor.
    std::string row(kColumns, ' ');
    row.replace(1, 8, "Darkness");
    row.replace(kColumns - 21, 18, "Score: 0  Moves: 2");
    EXPECT_EQ(surface.RowText(0), row);
    ExpectReverseVideo(0, kColumns);
    EXPECT_EQ(machine->Screen().Window(1).Height, 1);
}

TEST_F(StatusLineStory, PrintTableRowsInTheUpperWindowStartAtTheCursorColumn) {
    Play(LANTERN_STORY_STANDARD_V5, "table\rfont\r", true);
    // The story's grid from line 2, column 5 of its four-line upper window.
    EXPECT_EQ(surface.RowText(1).substr(4, 3), "abc");
    EXPECT_EQ(surface.RowText(2).substr(4, 3), "def");
    EXPECT_EQ(surface.RowText(3).substr(4, 3), "ghi");
    // SOUND_EFFECT 1 beeps; 3, a sampled sound, does not.
    EXPECT_EQ(host.beeps, 1);
}

} // namespace
} // namespace lantern::test
