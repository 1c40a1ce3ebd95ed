#include "sound/SoundPreferences.h"

#include "files/FileRead.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string_view>

namespace lantern {

namespace {

// A preferences' file larger than this is not read.
constexpr size_t kMaxPreferencesBytes = 1u << 20;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

std::string PreferencesFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string folder;
    if (config && *config == '/')
        folder = config;
    else if (home && *home)
        folder = std::string(home) + "/.config";
    else
        return {};
    return folder + "/lantern/lantern.ini";
}

SoundChoice ReadSoundChoice(const std::string& file) {
    SoundChoice choice;
    const FileBytes read = ReadRegularFile(file, kMaxPreferencesBytes);
    if (!read.Ok())
        return choice;
    const std::string_view text(reinterpret_cast<const char*>(read.Bytes.data()),
                                read.Bytes.size());
    bool inSound = false;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = Trimmed(text.substr(at, end - at));
        at = end + 1;
        if (line.starts_with('[')) {
            inSound = line == "[sound]";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inSound || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trimmed(line.substr(0, equals));
        const std::string_view value = Trimmed(line.substr(equals + 1));
        if (key == "on" && (value == "true" || value == "false")) {
            choice.On = value == "true";
        } else if (key == "volume") {
            int volume = 0;
            const auto [rest, error] =
                std::from_chars(value.data(), value.data() + value.size(), volume);
            if (error == std::errc{} && rest == value.data() + value.size())
                choice.Volume = std::clamp(volume, 0, 100);
        }
    }
    return choice;
}

} // namespace lantern
