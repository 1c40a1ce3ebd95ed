#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// Autosaves: a game kept when the player stops without quitting, to go on with later. One
/// file per story (its release, serial and checksum name it), holding a Quetzal saved game
/// with the text of the screen in a chunk of Lantern's own.

/// The folder the terminal keeps autosaves in: $XDG_DATA_HOME/lantern, else
/// ~/.local/share/lantern; empty when neither is known.
std::string DefaultAutosaveFolder();

/// The autosave file of the story with this release, serial and checksum in folder. Characters
/// of the serial other than letters and digits are written as their hexadecimal codes.
std::string AutosavePath(const std::string& folder, int release, std::string_view serial,
                         int checksum);

/// A Quetzal file (a FORM of type IFZS) with the screen's text added.
std::vector<uint8_t> PackAutosave(std::vector<uint8_t> quetzal, std::string_view screen);

/// What an autosave holds: the saved game as a Quetzal file, and the screen's text.
struct AutosaveContents {
    std::vector<uint8_t> Quetzal;
    std::string Screen;
};

/// The contents of an autosave file; nothing when the bytes are not one (a saved game of the
/// usual kind included: its PC means something else).
std::optional<AutosaveContents> UnpackAutosave(std::vector<uint8_t> file);

/// A game's hold on its story's autosave while it is played: a lock on a file beside the
/// autosave (its name and ".lock"), taken without waiting, so that a second game of the same
/// story knows that the first one keeps it and never replaces it. Released (and the lock file
/// removed) when the hold ends.
class AutosaveHold {
  public:
    enum class State {
        Held,        ///< this game keeps the autosave
        Busy,        ///< another game of the story holds it
        Unavailable, ///< no lock could be made (the folder cannot be written): none is kept
    };

    explicit AutosaveHold(const std::string& autosavePath);
    ~AutosaveHold();
    AutosaveHold(const AutosaveHold&) = delete;
    AutosaveHold& operator=(const AutosaveHold&) = delete;

    State GetState() const { return m_state; }

  private:
    std::string m_path;
    int m_fd = -1;
    State m_state = State::Unavailable;
};

/// The most bytes an autosave may have: far more than a state and a screen need.
inline constexpr size_t kMaxAutosaveSize = size_t{8} << 20;

} // namespace lantern
