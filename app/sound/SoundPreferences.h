#pragma once

#include <string>

namespace lantern {

/// What the player chose for sound in the window (View > Sound), kept in the preferences' file
/// that the terminal reads too.
struct SoundChoice {
    static constexpr int kDefaultVolume = 100;
    bool On = true;
    int Volume = kDefaultVolume; ///< percent

    /// The volume sounds play at: 0 when sound is off.
    int PlayerVolume() const { return On ? Volume : 0; }
};

/// The preferences' file: lantern/lantern.ini in $XDG_CONFIG_HOME, by default ~/.config.
std::string PreferencesFile();

/// Reads the choice from the "sound" group of an INI file (the window's preferences): "on"
/// (true or false) and "volume" (0 to 100). What is missing or unreadable keeps its default.
SoundChoice ReadSoundChoice(const std::string& file);

} // namespace lantern
