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

/// The right-hand text spelled out; a time that is none of the day's keeps its short form.
std::string SpelledOutText(const StatusLineInfo& info) {
    if (!info.timeGame)
        return "Score: " + std::to_string(info.scoreOrHours) +
               "  Moves: " + std::to_string(info.movesOrMinutes);
    const int hours = info.scoreOrHours;
    const int minutes = info.movesOrMinutes;
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
        return "Time: " + RightHandText(info);
    const int clock = hours % 12 == 0 ? 12 : hours % 12;
    return "Time: " + std::to_string(clock) + (minutes < 10 ? ":0" : ":") +
           std::to_string(minutes) + (hours < 12 ? " am" : " pm");
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
    const size_t room = line.size() - 1;
    std::string right = RightHandText(info);
    if (info.spelledOut) {
        // The long form keeps two blanks between itself and the whole name.
        std::string spelled = SpelledOutText(info);
        if (info.locationName.size() + 2 + spelled.size() <= room)
            right = std::move(spelled);
    }
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
