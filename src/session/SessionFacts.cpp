// What a program sees of a game besides its text: the screen's upper part, score, moves, time and
// location, and the objects and words as the story keeps them in memory.
#include "memory/StoryError.h"
#include "session/Session.h"

#include <algorithm>
#include <cstdlib>

namespace lantern {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower;
}

// The whole number at the start of text (after blanks), if there is one.
std::optional<int> LeadingNumber(std::string_view text) {
    size_t i = text.find_first_not_of(' ');
    if (i == std::string_view::npos)
        return std::nullopt;
    const bool negative = text[i] == '-';
    if (negative)
        ++i;
    int value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 9; ++i, ++digits)
        value = value * 10 + (text[i] - '0');
    if (digits == 0)
        return std::nullopt;
    return negative ? -value : value;
}

// The number after the first of the labels found in a status line (in lower case).
std::optional<int> NumberAfter(const std::string& status,
                               std::initializer_list<std::string_view> labels) {
    for (const std::string_view label : labels)
        if (const size_t at = status.find(label); at != std::string::npos)
            if (const auto value =
                    LeadingNumber(std::string_view(status).substr(at + label.size())))
                return value;
    return std::nullopt;
}

// "score/moves" standing alone at the end of a status line, as narrow status lines show them.
std::optional<std::pair<int, int>> ShortScore(const std::string& status) {
    const size_t start = status.find_last_of(' ');
    const std::string_view last =
        std::string_view(status).substr(start == std::string::npos ? 0 : start + 1);
    const size_t slash = last.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto score = LeadingNumber(last.substr(0, slash));
    const auto moves = LeadingNumber(last.substr(slash + 1));
    if (!score || !moves)
        return std::nullopt;
    return std::pair{*score, *moves};
}

bool TimeGame(const StoryImage& story) {
    return (story.ReadByte(0x01) & 0x02) != 0;
}

// The score (global 17) or moves (global 18) a version 1-3 story keeps for its status line;
// none in a time game.
std::optional<int> ScoreGlobal(zMachine& machine, int global) {
    if (TimeGame(machine.Story()))
        return std::nullopt;
    try {
        return static_cast<int16_t>(machine.Global(global));
    } catch (const StoryError&) {
        return std::nullopt;
    }
}

} // namespace

std::vector<std::string> Session::UpperWindow() const {
    return Machine().Screen().UpperRows();
}

std::string Session::StatusLine() const {
    const std::vector<std::string> upper = UpperWindow();
    if (upper.empty())
        return {};
    const std::string& row = upper.front();
    const size_t first = row.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : row.substr(first);
}

std::optional<int> Session::Score() const {
    if (zMachine& machine = Machine(); machine.Version() <= 3)
        return ScoreGlobal(machine, 17);
    const std::string status = Lower(StatusLine());
    if (const auto score = NumberAfter(status, {"score:", "score"}))
        return score;
    if (const auto both = ShortScore(status))
        return both->first;
    return std::nullopt;
}

std::optional<int> Session::Moves() const {
    if (zMachine& machine = Machine(); machine.Version() <= 3)
        return ScoreGlobal(machine, 18);
    const std::string status = Lower(StatusLine());
    if (const auto moves = NumberAfter(status, {"moves:", "turns:", "moves", "turns"}))
        return moves;
    if (const auto both = ShortScore(status))
        return both->second;
    return std::nullopt;
}

std::optional<GameClock> Session::Time() const {
    zMachine& machine = Machine();
    if (machine.Version() <= 3) {
        if (!TimeGame(machine.Story()))
            return std::nullopt;
        try {
            return GameClock{machine.Global(17), machine.Global(18)};
        } catch (const StoryError&) {
            return std::nullopt;
        }
    }
    // "Time: 9:05 pm" or "Time: 21:05".
    const std::string status = Lower(StatusLine());
    const size_t label = status.find("time:");
    if (label == std::string::npos)
        return std::nullopt;
    const std::string_view rest = std::string_view(status).substr(label + 5);
    const auto hours = LeadingNumber(rest);
    const size_t colon = rest.find(':');
    const auto minutes =
        colon == std::string_view::npos ? std::nullopt : LeadingNumber(rest.substr(colon + 1));
    if (!hours || !minutes)
        return std::nullopt;
    int hour = *hours;
    const std::string_view after = rest.substr(colon + 1);
    if (after.find("pm") != std::string_view::npos && hour < 12)
        hour += 12;
    else if (after.find("am") != std::string_view::npos && hour == 12)
        hour = 0;
    return GameClock{hour, *minutes};
}

std::optional<std::string> Session::Location() const {
    zMachine& machine = Machine();
    auto nameOf = [&machine](int32_t object) -> std::optional<std::string> {
        if (object <= 0)
            return std::nullopt;
        try {
            return machine.Chars().ToUtf8(machine.Objects().GetObject(object).ShortName());
        } catch (const StoryError&) {
            return std::nullopt;
        }
    };
    if (machine.Version() <= 3) {
        try {
            return nameOf(machine.Global(16));
        } catch (const StoryError&) {
            return std::nullopt;
        }
    }
    // The player's object is the one the story calls "yourself" (Inform's library names it
    // "(self object)" in later releases, and some stories "you"): its parent is where the
    // player is. Once found it is looked at first.
    auto isPlayer = [](std::string_view name) {
        const std::string lower = Lower(name);
        return lower == "yourself" || lower == "(self object)" || lower == "you";
    };
    if (m_player > 0) {
        try {
            const zObject player = machine.Objects().GetObject(m_player);
            if (isPlayer(machine.Chars().ToUtf8(player.ShortName())))
                return nameOf(player.Parent());
        } catch (const StoryError&) {
        }
    }
    for (const std::string_view self : {"yourself", "(self object)", "you"})
        for (const ObjectFacts& object : Objects())
            if (Lower(object.Name) == self) {
                m_player = object.Number;
                return nameOf(object.Parent);
            }
    return std::nullopt;
}

std::vector<ObjectFacts> Session::Objects() const {
    zMachine& machine = Machine();
    ObjectTable& table = machine.Objects();
    const StoryImage& story = machine.Story();
    const ObjectCache& layout = table.Layout();
    std::vector<ObjectFacts> objects;
    // The entries run up to the first property table, which the compilers place right after
    // them.
    int64_t end = story.Size();
    for (int32_t number = 1; number <= layout.lastObject; ++number) {
        const int64_t entry = layout.firstEntry + int64_t{layout.entrySize} * (number - 1);
        if (entry + layout.entrySize > end)
            break;
        const zObject object = table.GetObject(number);
        const int32_t properties = object.PropTableAddr();
        if (properties > entry && properties < end)
            end = properties;
        ObjectFacts facts;
        facts.Number = number;
        try {
            facts.Name = machine.Chars().ToUtf8(object.ShortName());
        } catch (const StoryError&) {
        }
        facts.Parent = object.Parent();
        facts.Sibling = object.Sibling();
        facts.Child = object.Child();
        for (int attribute = 0; attribute < 8 * layout.attributeBytes; ++attribute)
            if (object.GetAttribute(attribute))
                facts.Attributes.push_back(attribute);
        objects.push_back(std::move(facts));
    }
    return objects;
}

std::vector<std::string> Session::Dictionary() const {
    zMachine& machine = Machine();
    const StoryImage& story = machine.Story();
    std::vector<std::string> words;
    try {
        // The separators, the entry length, the count (negative when unsorted), the entries;
        // each starts with the word's encoded text.
        const int32_t dictionary = story.ReadWord(0x08, true);
        const int32_t separators = story.ReadByte(dictionary);
        const int64_t lengthAt = int64_t{dictionary} + 1 + separators;
        const int32_t entryLength = story.ReadByte(lengthAt);
        const int32_t count = std::abs(story.ReadWord(lengthAt + 1));
        const int32_t textBytes = machine.Version() <= 3 ? 4 : 6;
        if (entryLength < textBytes)
            return words;
        for (int32_t i = 0; i < count; ++i) {
            const int64_t entry = lengthAt + 3 + int64_t{i} * entryLength;
            if (!story.Contains(entry, textBytes))
                break;
            words.push_back(machine.Chars().ToUtf8(
                machine.Text().PrintZString(story, static_cast<int32_t>(entry))));
        }
    } catch (const StoryError&) {
    }
    return words;
}

} // namespace lantern
