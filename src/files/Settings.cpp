#include "files/Settings.h"

#include "text/CharMap.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace lantern {

namespace {

constexpr std::string_view kHex = "0123456789ABCDEF";

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int HexDigit(char c) {
    const size_t at = kHex.find(static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c));
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// A value as the file keeps it: what is not printable text (control codes, bytes that are not
// UTF-8), the backslash, the quote, the comma and spaces at either end as \xHH, so that any
// path comes back byte for byte and a list splits at its commas only.
std::string Escape(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size();) {
        const size_t start = i;
        const char32_t c = NextUtf8(value, i);
        const bool whole = c < 0x80 || i - start > 1;
        const bool atEnd = start == 0 || i == value.size();
        if (whole && IsPrintableUnicode(c) && c != '\\' && c != '"' && c != ',' &&
            !(c == ' ' && atEnd)) {
            out.append(value.substr(start, i - start));
            continue;
        }
        for (size_t k = start; k < i; ++k) {
            const auto byte = static_cast<unsigned char>(value[k]);
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

// One value or item of a list: spaces at either end dropped, quotes around it taken away
// (as older files have them), and the escapes \xHH, \n, \t and backslash-anything read.
std::string Unescape(std::string_view text) {
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else if (next == 'n') {
            out += '\n';
        } else if (next == 't') {
            out += '\t';
        } else {
            out += next;
        }
    }
    return out;
}

// The items of a list, split at the commas outside quotes and escapes.
std::vector<std::string_view> SplitList(std::string_view text) {
    std::vector<std::string_view> items;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == ',' && !quoted) {
            items.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size() || !items.empty())
        items.push_back(text.substr(std::min(start, text.size())));
    return items;
}

// A whole number clamped to [least, most]; one too large to read is the bound on its side.
std::optional<int> Number(std::string_view text, int least, int most) {
    text = Trim(text);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range)
        return text.starts_with('-') ? least : most;
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return static_cast<int>(std::clamp<long long>(value, least, most));
}

std::optional<bool> Truth(std::string_view text) {
    text = Trim(text);
    if (text == "true" || text == "1")
        return true;
    if (text == "false" || text == "0")
        return false;
    return std::nullopt;
}

// A font's name: nothing when empty or longer than a name is.
std::optional<std::string> Name(std::string_view text) {
    std::string name = Unescape(text);
    if (name.empty() || name.size() > WindowSettings::kMaxFontName)
        return std::nullopt;
    return name;
}

// A path: absolute, no longer than the system allows, with no NUL that would cut it short.
std::optional<std::string> Path(std::string_view text) {
    std::string path = Unescape(text);
    if (!path.starts_with('/') || path.size() > WindowSettings::kMaxPath ||
        path.find('\0') != std::string::npos)
        return std::nullopt;
    return path;
}

// A story's note: its path, its label and its last saved game (either may be empty).
std::optional<StoryNote> Note(std::string_view text) {
    const std::vector<std::string_view> items = SplitList(text);
    if (items.size() != 3)
        return std::nullopt;
    StoryNote note;
    const auto story = Path(items[0]);
    if (!story)
        return std::nullopt;
    note.story = *story;
    note.label = Unescape(items[1]);
    if (note.label.size() > WindowSettings::kMaxLabel)
        note.label.clear();
    if (const auto saved = Path(items[2]))
        note.savedGame = *saved;
    return note;
}

std::optional<WindowPlace> Place(std::string_view text) {
    const std::vector<std::string_view> items = SplitList(text);
    if (items.size() != 4 && items.size() != 5)
        return std::nullopt;
    const auto x = Number(items[0], -WindowSettings::kMaxOffset, WindowSettings::kMaxOffset);
    const auto y = Number(items[1], -WindowSettings::kMaxOffset, WindowSettings::kMaxOffset);
    const auto width = Number(items[2], 1, WindowSettings::kMaxSide);
    const auto height = Number(items[3], 1, WindowSettings::kMaxSide);
    if (!x || !y || !width || !height || (items.size() == 5 && Trim(items[4]) != "maximized"))
        return std::nullopt;
    return WindowPlace{*x, *y, *width, *height, items.size() == 5};
}

void Apply(WindowSettings& settings, std::string_view key, std::string_view value) {
    using S = WindowSettings;
    if (key == "fonts/proportional")
        settings.proportionalFont = Name(value);
    else if (key == "fonts/fixed")
        settings.fixedFont = Name(value);
    else if (key == "fonts/size")
        settings.fontSize = Number(value, S::kMinFontSize, S::kMaxFontSize);
    else if (key == "view/zoom")
        settings.zoom = Number(value, S::kMinZoom, S::kMaxZoom);
    else if (key == "view/theme")
        settings.darkTheme = Trim(value) == "dark"    ? std::optional<bool>(true)
                             : Trim(value) == "light" ? std::optional<bool>(false)
                                                      : std::nullopt;
    else if (key == "view/storyColours")
        settings.storyColours = Truth(value);
    else if (key == "view/margin")
        settings.margin = Number(value, 0, S::kMaxMargin);
    else if (key == "window/geometry")
        settings.place = Place(value);
    else if (key == "files/lastFolder")
        settings.lastFolder = Path(value);
    else if (key == "game/standard")
        settings.standard = Truth(value);
    else if (key == "sound/on")
        settings.soundOn = Truth(value);
    else if (key == "sound/volume")
        settings.soundVolume = Number(value, 0, S::kMaxVolume);
    else if (key.starts_with("stories/")) {
        const auto note = Note(value);
        if (note && settings.stories.size() < S::kMaxRecent &&
            std::none_of(settings.stories.begin(), settings.stories.end(),
                         [&](const StoryNote& kept) { return kept.story == note->story; }))
            settings.stories.push_back(*note);
    } else if (key == "files/recent") {
        settings.recent.clear();
        for (const std::string_view item : SplitList(value)) {
            if (settings.recent.size() == S::kMaxRecent)
                break;
            const auto path = Path(item);
            if (path && std::find(settings.recent.begin(), settings.recent.end(), *path) ==
                            settings.recent.end())
                settings.recent.push_back(*path);
        }
    }
}

} // namespace

WindowSettings ParseWindowSettings(std::string_view text) {
    WindowSettings settings;
    std::string section;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string key = section + "/" + std::string(Trim(line.substr(0, equals)));
        Apply(settings, key, line.substr(equals + 1));
    }
    return settings;
}

std::string FormatWindowSettings(const WindowSettings& settings) {
    std::string text;
    std::string section;
    auto put = [&](std::string_view in, std::string_view key, const std::string& value) {
        if (section != in) {
            section = in;
            text.append("[").append(in).append("]\n");
        }
        text.append(key).append("=").append(value).append("\n");
    };
    auto truth = [](bool value) { return std::string(value ? "true" : "false"); };
    if (settings.proportionalFont)
        put("fonts", "proportional", Escape(*settings.proportionalFont));
    if (settings.fixedFont)
        put("fonts", "fixed", Escape(*settings.fixedFont));
    if (settings.fontSize)
        put("fonts", "size", std::to_string(*settings.fontSize));
    if (settings.zoom)
        put("view", "zoom", std::to_string(*settings.zoom));
    if (settings.darkTheme)
        put("view", "theme", *settings.darkTheme ? "dark" : "light");
    if (settings.storyColours)
        put("view", "storyColours", truth(*settings.storyColours));
    if (settings.margin)
        put("view", "margin", std::to_string(*settings.margin));
    if (const auto& place = settings.place)
        put("window", "geometry",
            std::to_string(place->x) + "," + std::to_string(place->y) + "," +
                std::to_string(place->width) + "," + std::to_string(place->height) +
                (place->maximized ? ",maximized" : ""));
    if (settings.lastFolder)
        put("files", "lastFolder", Escape(*settings.lastFolder));
    if (!settings.recent.empty()) {
        std::string list;
        for (const std::string& path : settings.recent)
            list.append(list.empty() ? "" : ",").append(Escape(path));
        put("files", "recent", list);
    }
    if (settings.standard)
        put("game", "standard", truth(*settings.standard));
    if (settings.soundOn)
        put("sound", "on", truth(*settings.soundOn));
    if (settings.soundVolume)
        put("sound", "volume", std::to_string(*settings.soundVolume));
    for (size_t i = 0; i < settings.stories.size(); ++i) {
        const StoryNote& note = settings.stories[i];
        put("stories", std::to_string(i + 1),
            Escape(note.story) + "," + Escape(note.label) + "," + Escape(note.savedGame));
    }
    return text;
}

} // namespace lantern
