#pragma once

#include "platform/Host.h"
#include "screen/zScreen.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace lantern {

/// The single path of keyboard input: the keys the player typed while the game waits for them.
/// Waits let the front-end's events run (Host::DoEvents) until the buffer holds what they need;
/// the front-end delivers each key to KeyPress from inside those events.
class Keyboard {
  public:
    Keyboard(Host& host, zScreen& screen) : m_host(host), m_screen(screen) {}

    /// A key typed by the player, as its character code (8 backspace, 13 Enter). Ignored unless
    /// a wait is in progress.
    void KeyPress(int keyAscii);

    /// True while some wait takes keys; WaitingForLine() while it is a line read.
    bool Waiting() const { return m_waiting; }
    bool WaitingForLine() const { return m_waiting && m_lineMode; }

    /// Waits for one key and returns its code (the "[**MORE**]" pause and READ_CHAR). Keys typed
    /// together with it are discarded.
    int WaitForKey();

    /// Reads a line of at most capacity characters, echoing each typed character through echo;
    /// returns it without the Enter. The line break after it is the caller's to echo.
    std::string ReadLine(size_t capacity, const std::function<void(std::string_view)>& echo);

    /// Forgets pending keys and any wait (game start).
    void Reset();

    /// The keys typed and not yet taken.
    const std::string& InputStream() const { return m_inputStream; }

  private:
    size_t LineLength() const;

    Host& m_host;
    zScreen& m_screen;
    std::string m_inputStream;
    bool m_waiting = false;
    bool m_lineMode = false;   ///< a line read is in progress
    size_t m_lineCapacity = 0; ///< most characters the line may hold
    size_t m_echoedLength = 0; ///< characters of the current line already echoed
};

} // namespace lantern
