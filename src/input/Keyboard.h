#pragma once

#include "platform/Host.h"
#include "text/CharMap.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lantern {

/// The single path of keyboard input: the keys the player typed while the game waits for them.
/// Waits let the front-end's events run (Host::DoEvents) until the buffer holds what they need;
/// the front-end delivers each key to KeyPress or TypeCharacter from inside those events. The
/// keyboard never draws: a line read shows its changes through the callbacks it is given.
class Keyboard {
  public:
    using TextSink = std::function<void(std::string_view)>;

    explicit Keyboard(Host& host) : m_host(host) {}

    /// What a timer's tick tells the wait: go on, go on after showing the typed line again
    /// (the tick wrote to the screen), or end the wait now.
    enum class Tick { Continue, Redraw, Stop };
    /// Timed input: while a wait goes on, OnTick runs every IntervalMs milliseconds of the
    /// host's clock.
    struct Timer {
        int64_t IntervalMs = 0;
        std::function<Tick()> OnTick;
    };
    /// A wait in progress, put aside while a tick runs (which may itself wait for keys).
    struct SuspendedWait {
        std::string InputStream;
        bool Waiting = false;
        bool LineMode = false;
        size_t LineCapacity = 0;
    };

    /// The story's character set, for TypeCharacter (the map must outlive the keyboard; without
    /// one the default table applies).
    void SetCharMap(const CharMap& chars) { m_chars = &chars; }

    /// A key typed by the player, as its ZSCII code (8 backspace, 13 Enter). Ignored unless a
    /// wait is in progress.
    void KeyPress(int keyAscii);
    /// A character typed by the player (Unicode), given to KeyPress as its ZSCII code; a
    /// character that has none is not typed. Backspace, Enter and Escape pass as themselves.
    void TypeCharacter(char32_t character);

    /// True while some wait takes keys; WaitingForLine() while it is a line read.
    bool Waiting() const { return m_waiting; }
    bool WaitingForLine() const { return m_waiting && m_lineMode; }

    /// Waits for one key and returns its code (the "[**MORE**]" pause and READ_CHAR). Keys typed
    /// together with it are discarded, or kept for the next input when keepRest is set. A timer
    /// that stops the wait makes it return 0.
    int WaitForKey(bool keepRest = false, const Timer* timer = nullptr);

    /// Reads a line of at most capacity characters that starts as `preload` (text the story
    /// already shows). Typed characters are shown through echo, rubbed-out ones through rubOut;
    /// keys typed ahead are taken first. Returns the line without the Enter; the line break
    /// after it is the caller's to show. A timer that stops the wait ends the line where it
    /// stands (TimedOut() tells so).
    std::string ReadLine(size_t capacity, std::string_view preload, const TextSink& echo,
                         const TextSink& rubOut, const Timer* timer = nullptr);
    /// Whether the last ReadLine was ended by its timer rather than by Enter.
    bool TimedOut() const { return m_timedOut; }

    /// Puts the wait in progress aside, with the keys it holds, and leaves the keyboard idle;
    /// Resume brings it back as it was.
    SuspendedWait Suspend();
    void Resume(SuspendedWait wait);

    /// Keys that come before any typed ahead, as if the player had typed them (commands played
    /// back from a file).
    void TypeFirst(std::string_view keys) { m_inputStream.insert(0, keys); }

    /// Forgets pending keys and any wait (game start).
    void Reset();

    /// The keys typed and not yet taken.
    const std::string& InputStream() const { return m_inputStream; }

  private:
    size_t LineLength() const;
    /// One pass of a wait: lets events run (with a timer, no longer than its next tick, due
    /// at the host's time `due`) and runs the tick when it is due.
    Tick Pass(const Timer* timer, int64_t& due);

    Host& m_host;
    const CharMap* m_chars = nullptr;
    std::string m_inputStream;
    bool m_waiting = false;
    bool m_lineMode = false;   ///< a line read is in progress
    size_t m_lineCapacity = 0; ///< most characters the line may hold
    bool m_timedOut = false;   ///< the last line read was ended by its timer
};

} // namespace lantern
