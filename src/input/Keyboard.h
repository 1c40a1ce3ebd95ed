#pragma once

#include "input/History.h"
#include "input/Keys.h"
#include "input/LineEditor.h"
#include "platform/Host.h"
#include "text/CharMap.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// The single path of keyboard input: the keys the player typed while the game waits for them.
/// Waits let the front-end's events run (Host::DoEvents) until the keyboard holds what they
/// need; the front-end delivers each key to KeyPress or TypeCharacter from inside those events.
/// A line read is edited as it is typed (LineEditor) and recalls this game's earlier lines
/// (History). The keyboard never draws: a line read shows itself through the display it is
/// given.
class Keyboard {
  public:
    /// Shows the line being typed, with the caret before character `caret`.
    using LineDisplay = std::function<void(std::string_view line, size_t caret)>;

    explicit Keyboard(Host& host) : m_host(host) {}

    /// What a timer's tick tells the wait: go on, go on after showing the typed line again
    /// (the tick wrote to the screen), or end the wait now.
    enum class Tick { Continue, Redraw, Stop };
    /// Timed input: while a wait goes on, OnTick runs every IntervalMs milliseconds of the
    /// host's clock (when set), and OnPass before every pass of the wait (interrupts that the
    /// host's events may have brought, such as a sound that has ended).
    struct Timer {
        int64_t IntervalMs = 0;
        std::function<Tick()> OnTick;
        std::function<Tick()> OnPass;
    };
    /// A wait in progress, put aside while a tick runs (which may itself wait for keys).
    struct SuspendedWait {
        std::vector<int> InputStream;
        bool Waiting = false;
        bool LineMode = false;
        bool AnyKey = false;
        LineEditor Editor;
        std::vector<int> Terminators;
        int Terminator = -1;
    };

    /// The story's character set, for TypeCharacter (the map must outlive the keyboard; without
    /// one the default table applies).
    void SetCharMap(const CharMap& chars) { m_chars = &chars; }
    /// The mouse as a story reads it: the pointer's place in units from (1, 1) and the buttons
    /// held (bit 0 the primary one).
    struct MouseState {
        int X = 0;
        int Y = 0;
        int Buttons = 0;
    };
    /// Clicks reach the story while a handler is set: it is told of each click at (x, y) and
    /// says whether the story takes it (the click lies where the story wants clicks).
    void SetClickHandler(std::function<bool(int x, int y)> handler) {
        m_onClick = std::move(handler);
    }
    bool TakesClicks() const { return static_cast<bool>(m_onClick); }
    /// A click at (x, y), in units from (1, 1): key 254, or 253 for the second click of a
    /// double click, when a wait is in progress and the handler takes it.
    void MouseClick(int x, int y, bool second);
    /// The pointer moved or a button changed.
    void MouseMoved(int x, int y, int buttons) { m_mouse = {x, y, buttons}; }
    const MouseState& Mouse() const { return m_mouse; }

    /// Whether cursor, function and keypad keys reach the story with their own codes (the
    /// complete Z-machine). Otherwise a single-key wait takes only characters, Backspace, Enter
    /// and Escape, and keypad keys as their digits.
    void SetStoryKeys(bool all) { m_allStoryKeys = all; }

    /// A key pressed by the player (see Keys.h: a ZSCII character, 8 Backspace, 13 Enter, or
    /// a key that types none). Ignored unless a wait is in progress.
    void KeyPress(int key);
    /// A character typed by the player (Unicode), given to KeyPress as its ZSCII code; a
    /// character that has none is not typed. Backspace, Enter and Escape pass as themselves.
    void TypeCharacter(char32_t character);

    /// True while some wait takes keys; WaitingForLine() while it is a line read.
    bool Waiting() const { return m_waiting; }
    bool WaitingForLine() const { return m_waiting && m_lineMode; }
    /// Whether the wait in progress still takes keys: a line that has not ended, a key not yet
    /// pressed. A front-end that holds keys typed ahead gives them while this holds, and keeps
    /// the rest for the waits that follow.
    bool WantsKeys() const;

    /// Whether the keys typed ahead hold what a wait would take without waiting: a whole line
    /// (up to Enter), a key that a single-key wait takes.
    bool HoldsLine() const;
    bool HoldsKey() const;

    /// Waits for one key that the story may see and returns its code (READ_CHAR); other keys
    /// are passed over. Keys typed together with it are discarded, or kept for the next input
    /// when keepRest is set. A timer that stops the wait makes it return 0.
    int WaitForKey(bool keepRest = false, const Timer* timer = nullptr);
    /// Waits for any key at all, keeping the keys typed after it (the "[**MORE**]" pause).
    void WaitForAnyKey();

    /// Reads a line of at most capacity characters that starts as `preload` (text the story
    /// already shows), shown through `show` whenever it changes; keys typed ahead are taken
    /// first. Enter ends it, and so does any key of `terminators` (the story's terminating
    /// characters), which then reaches the story instead of editing the line. Returns the line
    /// without what ended it; Terminator() tells what did. The line break after it is the
    /// caller's to show. A timer that stops the wait ends the line where it stands.
    std::string ReadLine(size_t capacity, std::string_view preload, const LineDisplay& show,
                         const Timer* timer = nullptr, std::span<const int> terminators = {});
    /// What ended the last ReadLine: 13 for Enter, a key of its terminators, 0 for its timer.
    int Terminator() const { return m_terminator; }
    /// Whether the last ReadLine was ended by its timer.
    bool TimedOut() const { return m_terminator == 0; }

    /// The lines entered in this game.
    History& LineHistory() { return m_history; }

    /// Puts the wait in progress aside, with the keys it holds, and leaves the keyboard idle;
    /// Resume brings it back as it was.
    SuspendedWait Suspend();
    void Resume(SuspendedWait wait);

    /// Keys that come before any typed ahead, as if the player had typed them (commands played
    /// back from a file).
    void TypeFirst(std::string_view keys);

    /// Forgets pending keys and any wait (game start and restart). The history stays.
    void Reset();

    /// The keys typed and not yet taken.
    const std::vector<int>& InputStream() const { return m_inputStream; }

  private:
    /// The code a single-key wait gives the story for a key; -1 when the story never sees it.
    int StoryCode(int key) const;
    /// One pass of a wait: lets events run (with a timer, no longer than its next tick, due
    /// at the host's time `due`) and runs the tick when it is due.
    Tick Pass(const Timer* timer, int64_t& due);
    /// Leaves the wait, whatever it was.
    void EndWait();

    Host& m_host;
    const CharMap* m_chars = nullptr;
    std::vector<int> m_inputStream;
    bool m_waiting = false;
    bool m_lineMode = false;     ///< a line read is in progress
    bool m_anyKey = false;       ///< a single-key wait takes any key at all
    bool m_allStoryKeys = false; ///< function keys reach the story (SetStoryKeys)
    LineEditor m_editor;         ///< the line of the read in progress
    History m_history;
    std::function<bool(int, int)> m_onClick;
    MouseState m_mouse;
    std::vector<int> m_terminators; ///< the keys besides Enter that end the line being read
    int m_terminator = -1;          ///< what ended the line; -1 while it goes on
};

} // namespace lantern
