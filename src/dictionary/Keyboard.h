#pragma once

#include "platform/Host.h"
#include "text/CharMap.h"

#include <cstddef>
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
    /// together with it are discarded, or kept for the next input when keepRest is set.
    int WaitForKey(bool keepRest = false);

    /// Reads a line of at most capacity characters that starts as `preload` (text the story
    /// already shows). Typed characters are shown through echo, rubbed-out ones through rubOut;
    /// keys typed ahead are taken first. Returns the line without the Enter; the line break
    /// after it is the caller's to show.
    std::string ReadLine(size_t capacity, std::string_view preload, const TextSink& echo,
                         const TextSink& rubOut);

    /// Keys that come before any typed ahead, as if the player had typed them (commands played
    /// back from a file).
    void TypeFirst(std::string_view keys) { m_inputStream.insert(0, keys); }

    /// Forgets pending keys and any wait (game start).
    void Reset();

    /// The keys typed and not yet taken.
    const std::string& InputStream() const { return m_inputStream; }

  private:
    size_t LineLength() const;

    Host& m_host;
    const CharMap* m_chars = nullptr;
    std::string m_inputStream;
    bool m_waiting = false;
    bool m_lineMode = false;   ///< a line read is in progress
    size_t m_lineCapacity = 0; ///< most characters the line may hold
};

} // namespace lantern
