#pragma once

#include "machine/zMachine.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// How a program plays a story.
struct SessionOptions {
    bool Standard = true; ///< the complete Z-machine (undo, timed input's header flag, ...)
    std::optional<uint64_t> Seed;
    int Columns = 80;
    int Rows = 24;
};

/// An object of the story's object table as the story keeps it.
struct ObjectFacts {
    int32_t Number = 0;
    std::string Name; ///< its short name, UTF-8
    int32_t Parent = 0;
    int32_t Sibling = 0;
    int32_t Child = 0;
    std::vector<int> Attributes; ///< the numbers of the attributes set, in order
};

/// The time of a time game: hours (0 to 23) and minutes.
struct GameClock {
    int Hours = 0;
    int Minutes = 0;
};

/// A story played by a program instead of a person (the JSON protocol, the Python module).
/// Each input is given at once and the game runs until the story waits for the next one or
/// ends; nothing waits for the clock (a timed input waits for the next input like any other).
/// The story plays from memory and reads and writes no files: its SAVE and RESTORE fail as
/// when the player names no file, and snapshots take their place.
class Session {
  public:
    /// Loads the story (throws LoadError) and runs it to its first input.
    Session(const std::string& path, SessionOptions options);
    ~Session();
    Session(Session&&) noexcept;
    Session& operator=(Session&&) noexcept;
    /// An independent game standing where this one stands (its upper window as text).
    Session Copy() const;

    const std::string& Path() const { return m_path; }
    const SessionOptions& Options() const { return m_options; }
    int Version() const;

    // ---- Playing ----------------------------------------------------------------------------
    /// Types a line when the story waits for one, or a key: one character, or a key's name
    /// (enter, escape, backspace, up, down, left, right, f1 to f12, keypad0 to keypad9), ""
    /// for Enter. Runs on to the next input or the end. Nothing, or why the input cannot be
    /// typed (the game unchanged).
    std::optional<std::string> Input(std::string_view text);
    /// Starts the game afresh, as it started when the session was made (the same seed).
    void Restart();
    /// The game waiting for input as a saved game (Quetzal); empty when the game has ended
    /// or is a version 6 game.
    std::vector<uint8_t> Snapshot() const;
    /// Goes on from a snapshot or a saved game of this story; nothing, or why not (the game
    /// unchanged).
    std::optional<std::string> Restore(const std::vector<uint8_t>& snapshot);
    /// Keeps the whole game as it stands (its screen, the text not yet taken), for Rewind to
    /// put back: a command can be tried and undone (one mark at a time).
    void Mark();
    void Rewind();

    // ---- What a program sees ----------------------------------------------------------------
    /// The text the lower window printed since the last call (UTF-8, lines ended by "\n"),
    /// without the lines typed.
    std::string TakeText();
    /// The messages the story's faults, its missing features and its questions brought up
    /// since the last call.
    std::vector<std::string> TakeMessages();
    zMachine::Awaiting Waiting() const;
    bool Ended() const { return m_ended.has_value(); }
    /// How the game ended (Quit, Fault, Stopped), with the fault's message.
    const std::optional<GameOutcome>& Ending() const { return m_ended; }
    /// The upper window's rows as they stand, blanks at their ends dropped; its first row is
    /// the status line.
    std::vector<std::string> UpperWindow() const;
    std::string StatusLine() const;
    /// Score and moves, or the time of a time game: from the status globals in versions 1 to
    /// 3, read from the status line later; nothing where they cannot be known.
    std::optional<int> Score() const;
    std::optional<int> Moves() const;
    std::optional<GameClock> Time() const;
    /// The current location's name: the status global's object in versions 1 to 3, else the
    /// parent of the player's object where it can be found.
    std::optional<std::string> Location() const;
    /// The story's objects and the words of its dictionary, read from memory.
    std::vector<ObjectFacts> Objects() const;
    std::vector<std::string> Dictionary() const;

    /// Called now and then while the story runs (every 65536 instructions); it may end the
    /// game by throwing GameStopped.
    void SetBreath(std::function<void()> breath);

  private:
    struct Game;
    struct Kept;
    Session(const Session& other, bool copy);
    /// A new game of the story, not yet started.
    std::unique_ptr<Game> NewGame() const;
    /// Runs to the next input or the end.
    void Run();
    /// The machine of the game being played.
    zMachine& Machine() const;

    std::string m_path;
    SessionOptions m_options;
    std::shared_ptr<const std::vector<uint8_t>> m_zcode; ///< shared by copies
    std::unique_ptr<Game> m_game;
    std::optional<GameOutcome> m_ended;
    std::unique_ptr<Kept> m_mark;
    mutable int32_t m_player = 0; ///< the player's object, once Location has found it
    std::function<void()> m_breath;
};

} // namespace lantern
