#pragma once

#include <stdexcept>
#include <string>

namespace lantern {

/// A fault of the running story (an address outside the image, a stack or call-depth overflow,
/// a division by zero...). It stops that game with its message; the program stays usable.
class StoryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// A story file that cannot be played at all: missing, unreadable, empty or shorter than a header.
class LoadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Thrown by a front-end while the core waits, when the game must end without a fault:
/// the window was closed, or scripted input ran out. The game driver ends the game quietly.
class GameStopped {};

} // namespace lantern
