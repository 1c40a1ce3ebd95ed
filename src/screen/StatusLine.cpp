#include "screen/StatusLine.h"

#include <algorithm>
#include <cstdlib>

namespace lantern {

namespace {

/// The right-hand text: "score/moves", or "hours:minutes" with the minutes in two digits.
std::string RightHandText(const StatusLineInfo& info) {
    if (!info.timeGame)
        return std::to_string(info.scoreOrHours) + "/" + std::to_string(info.movesOrMinutes);
    const int minutes = info.movesOrMinutes;
    std::string digits = std::to_string(std::abs(minutes));
    if (digits.size() < 2)
        digits.insert(0, 2 - digits.size(), '0');
    return std::to_string(info.scoreOrHours) + ":" + (minutes < 0 ? "-" : "") + digits;
}

} // namespace

int StatusLineLength(const zScreen& screen) {
    const double cells = static_cast<double>(screen.ScreenWidth()) / screen.CharWidth() - 2;
    return std::max(RoundHalfEven(cells), 0);
}

std::string StatusLineText(const StatusLineInfo& info, int length) {
    std::string line(static_cast<size_t>(std::max(length, 0)), ' ');
    if (info.location < 1 || line.empty())
        return line;
    line.replace(0, std::min(info.locationName.size(), line.size()), info.locationName, 0,
                 line.size());
    // The right-hand text ends one cell before the line's end; on a line too short for it,
    // its end is cut off rather than pushed past the line's start.
    std::string right = RightHandText(info);
    const size_t room = line.size() - 1;
    if (right.size() > room)
        right.resize(room);
    line.replace(room - right.size(), right.size(), right);
    return line;
}

void DrawStatusLine(zScreen& screen, const StatusLineInfo& info) {
    screen.SplitWindow(1);
    screen.SetWindow(1);
    screen.SetTextStyle(kStyleReverse);
    if (info.location >= 1) {
        // The band reaches the right edge; the line's text keeps its length.
        screen.FillLine();
        screen.OutPut(StatusLineText(info, StatusLineLength(screen)), false);
    }
    screen.SetWindow(0);
}

} // namespace lantern
