#pragma once

#include "console/TerminalScreen.h"
#include "input/Keyboard.h"
#include "platform/Host.h"
#include "screen/CellSurface.h"
#include "screen/zScreen.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace lantern {

/// The host of an interactive console game: shows the cell surface on the terminal and reads
/// keys from it, both through a TerminalScreen.
class TerminalHost : public Host {
  public:
    TerminalHost(CellSurface& surface, TerminalScreen& terminal, int outputFd)
        : m_surface(surface), m_terminal(terminal), m_outputFd(outputFd) {}

    void SetKeyboard(Keyboard& keyboard) { m_keyboard = &keyboard; }
    void SetScreen(zScreen& screen) { m_screen = &screen; }
    /// The device the story's sounds play on (none: the terminal's bell only).
    void SetSound(SoundDevice* sound) { m_sound = sound; }
    /// Called with the terminal's new size in cells when it changes, for a screen that
    /// follows it; without one the screen keeps its size.
    void SetResizeHandler(std::function<void(int columns, int rows)> handler) {
        m_onResize = std::move(handler);
    }
    /// Called when the player presses Ctrl-C: true while the game would be lost by it (a game
    /// in progress that is not kept), and the player is then asked first.
    void SetGameAtStake(std::function<bool()> atStake) { m_gameAtStake = std::move(atStake); }
    /// Whether a story may have the mouse's clicks (the complete Z-machine), where the
    /// terminal reports them; the terminal reports them only while the story takes them.
    void OfferMouse(bool offer) { m_offerMouse = offer; }
    bool OffersMouse() const override { return m_offerMouse && m_terminal.HasMouse(); }

    void DoEvents() override;
    void DoEventsFor(int timeoutMs) override;
    void ProcessPendingEvents() override;
    /// The message on the terminal's bottom rows until a key; while the game is being stopped
    /// (a signal, the terminal gone) it is kept and written out by Finish instead.
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    /// A single-key question (going on with a kept game): keys typed before it was shown are
    /// dropped, and Y or N answers only when no other key follows it at once, so that a word
    /// typed meanwhile ("north") is not taken for an answer.
    bool AskQuestion(const std::string& text) override;
    /// A prompt on the bottom row: Enter takes the name typed (or the suggested one when
    /// none was typed), Ctrl-D gives up.
    std::optional<std::string> AskFileName(FileUse use, const std::string& suggested) override;
    void Beep() override;
    SoundDevice* Sound() override { return m_sound; }

    /// Draws what changed on the surface, with the terminal's cursor where the player types.
    /// A terminal smaller than the surface shows the part of it around that cursor.
    void Render(bool everything = false);
    /// Gives the terminal back and leaves the last screen's text on it, for the shell after
    /// the game.
    void Finish();

  private:
    /// Reads what the terminal has (waiting up to timeoutMs for the first key; -1 forever) and
    /// queues the keys.
    void ReadKeys(int timeoutMs);
    /// Gives queued keys to a wait in progress while it takes them; true when any was taken.
    bool DeliverPendingKeys();
    /// The terminal changed its size: the screen follows it, or keeps its own, and all of it
    /// is drawn again.
    void Resized();
    /// Shows text on the bottom rows, wrapped at the terminal's width, and waits for one key;
    /// returns it.
    TerminalKey Prompt(const std::string& text);
    /// Whether no key comes within a moment; keys that do come are read and dropped until
    /// none does.
    bool QuietAfterKey();
    /// Ends the game (GameStopped) after a stop signal; after Ctrl-C with a game at stake,
    /// only when the player says so.
    void CheckStop();
    /// "Quit and lose this game? [y/n]": true for yes.
    bool AskToQuit();

    CellSurface& m_surface;
    TerminalScreen& m_terminal;
    int m_outputFd;
    Keyboard* m_keyboard = nullptr;
    zScreen* m_screen = nullptr;
    SoundDevice* m_sound = nullptr;
    std::function<void(int, int)> m_onResize;
    std::function<bool()> m_gameAtStake;
    bool m_askingToQuit = false;
    bool m_quitChosen = false;
    bool m_offerMouse = false;
    PixelPoint m_origin; ///< the surface's cell at the terminal's top left corner
    static constexpr size_t kMaxPendingKeys = 65536;
    std::deque<TerminalKey> m_pendingKeys; ///< keys read and not yet taken by a wait
    bool m_drawnOnce = false;
    bool m_ended = false;              ///< the terminal went away; the keys read before still count
    std::vector<std::string> m_unseen; ///< messages no key acknowledged, for Finish to write
};

} // namespace lantern
