#pragma once

#include "input/Keyboard.h"
#include "platform/Host.h"
#include "screen/CellSurface.h"
#include "screen/zScreen.h"

#include <deque>
#include <string>

namespace lantern {

/// Puts the terminal in raw mode for the life of the object and always restores it: on
/// destruction, at exit, and on the signals that end the program (Ctrl-C among them).
class RawTerminal {
  public:
    RawTerminal();
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    bool Active() const { return m_active; }
    /// Gives the terminal back as it was (also done on destruction).
    void Restore();

  private:
    bool m_active = false;
};

/// The host of an interactive console game: draws the cell surface with ANSI escape sequences
/// and reads keys from the raw terminal.
class TerminalHost : public Host {
  public:
    TerminalHost(CellSurface& surface, int inputFd, int outputFd)
        : m_surface(surface), m_inputFd(inputFd), m_outputFd(outputFd) {}

    void SetKeyboard(Keyboard& keyboard) { m_keyboard = &keyboard; }
    void SetScreen(zScreen& screen) { m_screen = &screen; }

    void DoEvents() override;
    void DoEventsFor(int timeoutMs) override;
    void ProcessPendingEvents() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    /// A prompt on the bottom row: Enter takes the name typed (or the suggested one when
    /// none was typed), Ctrl-D gives up.
    std::optional<std::string> AskFileName(FileUse use, const std::string& suggested) override;
    void Beep() override;

    /// Draws what changed on the surface, and puts the terminal's cursor where the story's is.
    void Render(bool everything = false);
    /// Moves below the screen for the shell after the game.
    void Finish();
    /// Why writing to the terminal failed; empty while it works.
    const std::string& OutputError() const { return m_outputError; }

  private:
    /// Reads what the terminal has (waiting up to timeoutMs; -1 forever) and delivers the keys.
    void ReadKeys(int timeoutMs);
    void DeliverKey(int code);
    /// A typed character, which the keyboard turns into ZSCII (or drops, if it has none).
    void DeliverCharacter(char32_t character);
    /// Gives queued keys to a wait in progress; true when any was taken.
    bool DeliverPendingKeys();
    /// Shows text on the bottom row and waits for one key; returns it.
    int Prompt(const std::string& text);
    void Write(const std::string& text);
    /// Ends the game (GameStopped) after a stop signal or a failed write.
    void CheckStop() const;

    CellSurface& m_surface;
    int m_inputFd;
    int m_outputFd;
    Keyboard* m_keyboard = nullptr;
    zScreen* m_screen = nullptr;
    static constexpr size_t kMaxPendingKeys = 65536;
    struct PendingKey {
        bool isCharacter; ///< a typed character (Unicode), or else a key code (ZSCII)
        char32_t value;
    };
    std::deque<PendingKey> m_pendingKeys; ///< keys read and not yet taken by a wait
    std::string m_escape;          ///< an escape sequence being read
    char32_t m_utf8Code = 0;       ///< a UTF-8 character being read
    int m_utf8Remaining = 0;
    bool m_drawnOnce = false;
    bool m_afterCarriageReturn = false; ///< the last byte read was "\r"
    std::string m_outputError;
};

} // namespace lantern
