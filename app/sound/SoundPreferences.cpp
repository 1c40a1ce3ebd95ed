#include "sound/SoundPreferences.h"

#include "files/FileRead.h"
#include "files/Settings.h"

#include <cstdlib>
#include <string_view>

namespace lantern {

SoundChoice SoundChoice::From(const WindowSettings& settings) {
    SoundChoice choice;
    choice.On = settings.soundOn.value_or(choice.On);
    choice.Volume = settings.soundVolume.value_or(choice.Volume);
    return choice;
}

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
    const FileBytes read = ReadRegularFile(file, kMaxSettingsSize);
    if (!read.Ok())
        return {};
    return SoundChoice::From(ParseWindowSettings(
        std::string_view(reinterpret_cast<const char*>(read.Bytes.data()), read.Bytes.size())));
}

} // namespace lantern
