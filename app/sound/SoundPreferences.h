#pragma once

#include <string>

namespace lantern {

struct WindowSettings;

/// What the player chose for sound in the window (View > Sound), kept in the preferences' file
/// that the terminal reads too.
struct SoundChoice {
    static constexpr int kDefaultVolume = 100;
    bool On = true;
    int Volume = kDefaultVolume; ///< percent

    /// The choice the settings keep (each one missing keeps its default).
    static SoundChoice From(const WindowSettings& settings);
    /// The volume sounds play at: 0 when sound is off.
    int PlayerVolume() const { return On ? Volume : 0; }
};

/// The preferences' file: lantern/lantern.ini in $XDG_CONFIG_HOME, by default ~/.config.
std::string PreferencesFile();

/// Reads the choice from the window's settings file, through the same bounded reader and
/// parser as the window. A file that is missing, not a regular file or unreadable, and a value
/// that is missing or not of its kind, keep the defaults.
SoundChoice ReadSoundChoice(const std::string& file);

} // namespace lantern
