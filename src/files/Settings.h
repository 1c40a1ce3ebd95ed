#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// Where and how large the window was: its frame's place and its size in pixels.
struct WindowPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;
    bool operator==(const WindowPlace&) const = default;
};

/// What the window remembers of a story it played, beside its place among the recent ones.
struct StoryNote {
    std::string story;     ///< the story file's absolute path
    std::string label;     ///< what its record calls it ("Title — Author"); empty for none
    std::string savedGame; ///< the last saved game of it written or read; empty for none
    bool operator==(const StoryNote&) const = default;
};

/// What the window remembers between runs, as its settings file keeps it: lines of
/// "key=value" under "[section]" headers, as INI files have them (a file an older Lantern
/// wrote is read too). The file is outside input: every value is bounded as it is read, and
/// one that is not of its kind is left out (the window then takes its default). Paths are the
/// system's bytes, whatever they are.
struct WindowSettings {
    static constexpr int kMinFontSize = 6;
    static constexpr int kMaxFontSize = 96;
    static constexpr int kMinZoom = 50;
    static constexpr int kMaxZoom = 300;
    static constexpr int kMaxMargin = 100;
    static constexpr int kMaxVolume = 100;
    static constexpr size_t kMaxRecent = 10;
    /// The longest path kept (the system's own limit) and font name.
    static constexpr size_t kMaxPath = 4096;
    static constexpr size_t kMaxFontName = 256;
    /// The longest label of a story kept; a longer one is left out.
    static constexpr size_t kMaxLabel = 1024;
    /// Bounds of the window's place before the window fits it to a screen.
    static constexpr int kMaxSide = 16384;
    static constexpr int kMaxOffset = 65536;

    std::optional<std::string> proportionalFont;
    std::optional<std::string> fixedFont;
    std::optional<int> fontSize; ///< pixels, at a zoom of 100%
    std::optional<int> zoom;     ///< percent
    std::optional<bool> darkTheme;
    std::optional<bool> storyColours;
    std::optional<int> margin;
    std::optional<WindowPlace> place;
    std::optional<std::string> lastFolder;
    std::vector<std::string> recent; ///< the latest first, each once
    /// The recent stories' labels and saved games, each story once, at most kMaxRecent.
    std::vector<StoryNote> stories;
    std::optional<bool> standard;
    std::optional<bool> soundOn;    ///< the terminal reads the sound's two too
    std::optional<int> soundVolume; ///< percent

    bool operator==(const WindowSettings&) const = default;
};

/// The largest settings file read; a larger one is not the window's.
inline constexpr size_t kMaxSettingsSize = 64u << 10;

/// The settings in the text of a settings file. Unknown keys and malformed lines are passed
/// over; numbers are clamped to their ranges, paths and names longer than their bounds and the
/// recent stories (and notes of stories) beyond kMaxRecent are left out.
WindowSettings ParseWindowSettings(std::string_view text);

/// The text of a settings file that ParseWindowSettings reads back as the same settings.
std::string FormatWindowSettings(const WindowSettings& settings);

} // namespace lantern
