#pragma once

#include "screen/zScreen.h"

#include <string>

namespace lantern {

/// What the status line of versions 1 to 3 shows, gathered by the machine from the story.
struct StatusLineInfo {
    int location = 0;         ///< global 0: the location object; below 1 draws nothing more
    std::string locationName; ///< the location's short name
    bool timeGame = false;    ///< header flag: hours and minutes instead of score and moves
    int scoreOrHours = 0;     ///< global 1, signed
    int movesOrMinutes = 0;   ///< global 2, signed
    /// The complete machine's forms, "Score: N  Moves: M" and "Time: H:MM am" (a 12-hour
    /// clock), where they fit beside the name; else the short ones.
    bool spelledOut = false;
};

/// The status line's length in cells: the screen's width in cells less 2, halves to even.
int StatusLineLength(const zScreen& screen);
/// The status line of the given length: the location's name from the left, the score and
/// moves (or the time) ending one cell before the end. The short forms are "score/moves" and
/// "hours:minutes".
std::string StatusLineText(const StatusLineInfo& info, int length);

/// Draws the status line in reverse video in a one-line upper window, then makes the lower
/// window current again.
void DrawStatusLine(zScreen& screen, const StatusLineInfo& info);

} // namespace lantern
