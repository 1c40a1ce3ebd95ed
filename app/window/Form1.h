#pragma once

#include "Options.h"
#include "machine/zMachine.h"
#include "platform/Host.h"
#include "window/QtSurface.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QKeyEvent;
class QPushButton;

namespace lantern {

class PictureBox;

/// Stand-ins for the parts of the window that block or that a test wants to watch. Each one
/// left empty keeps the real behaviour.
struct Form1Hooks {
    /// Replaces the modal message box.
    std::function<void(const std::string& text, MessageIcon icon)> showMessage;
    /// Replaces the modal Yes/No question.
    std::function<bool(const std::string& text)> askYesNo;
    /// Replaces showing CommonDialog1: the chosen file, or an empty string when cancelled.
    std::function<QString()> chooseFile;
    /// Replaces the save or open dialog of a saved game (given whether it saves and the name
    /// it suggests): the chosen file, or nothing when cancelled.
    std::function<std::optional<std::string>(bool forSave, const std::string& suggested)>
        chooseSavedGame;
    /// The surface the game draws on, given the window's own (a test wraps it to record).
    std::function<Surface&(QtSurface&)> surface;
};

/// The program's window: the display area Picture1, the "Run Game" button Command1 and the
/// open-file dialog CommonDialog1. A game runs inside Command1_Click; while it waits for keys
/// the window's events run through DoEvents, and typed keys reach the game's keyboard.
class Form1 : public QWidget, private Host {
    Q_OBJECT

  public:
    /// With options.story set, that game starts as soon as the event loop runs.
    explicit Form1(const Options& options, Form1Hooks hooks = {}, QWidget* parent = nullptr);
    ~Form1() override;

    /// "Run Game": runs one whole game, from laying out the window to the button enabled again.
    /// The first press plays the story given on the command line, if any, without the dialog.
    void Command1_Click();
    /// A typed key as its Unicode character (8 backspace, 13 Enter), for the game's keyboard.
    void Form_KeyPress(int keyAscii);
    /// A key that types no character (cursor, function, keypad and editing keys; see Keys.h),
    /// for the game's keyboard.
    void Form_KeyDown(int keyCode);
    /// The window closes: the program ends at once, also in the middle of a game.
    void Form_Unload();

    /// The characters a key event types (Unicode): Backspace 8, Return and Enter 13, other keys
    /// their text. Keys without text (function and cursor keys, Delete) give none, and nor do
    /// keys pressed with Ctrl or Alt.
    static std::vector<int> KeyAsciiCodes(const QKeyEvent& event);
    /// The key of Keys.h that a key event presses when it types no character: cursor keys,
    /// Home, End, Delete, F1 to F12, the keypad's digits and the editing keys Ctrl+A, E, U, K
    /// and W; nothing for other keys.
    static std::optional<int> KeyCode(const QKeyEvent& event);

    PictureBox* Picture1() const { return m_picture1; }
    QPushButton* Command1() const { return m_command1; }
    QFileDialog* CommonDialog1() const { return m_commonDialog1; }
    QtSurface& DisplaySurface() { return m_surface; }
    zMachine& Machine() { return *m_machine; }
    /// True while Command1_Click is running a game.
    bool GameRunning() const { return m_gameRunning; }
    /// How the game of the last press ended; nothing when that press played no game (the
    /// dialog was cancelled) or no press has happened yet.
    const std::optional<GameOutcome>& LastOutcome() const { return m_lastOutcome; }

    /// The margin around the display area and the button, in pixels.
    static constexpr int kMargin = 8;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    /// Starts the command line's story unless it has already been started.
    void StartCommandLineStory();
    /// Sizes the window to 0.8 of the screen and centres it.
    void SizeToScreen();
    /// Stretches Picture1 over the window and puts Command1 under it.
    void LayOut();
    /// Gives the surface Picture1's inner size and lays the game's screen out on it.
    void PrepareDisplay();
    /// The story to play: the command line's on the first press, else the dialog's choice.
    QString ChooseStory();
    /// Shows the game's state over the display: the lower window's place, the caret while a
    /// line is read; with announce, the new text for assistive technology.
    void SyncDisplay(bool announce);
    /// Keys the window keeps for itself: scrolling back and copying. True when handled.
    bool HandleViewKey(const QKeyEvent& event);

    // Host: what the running game needs from the window.
    void DoEvents() override;
    void DoEventsFor(int timeoutMs) override;
    void ProcessPendingEvents() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    std::optional<std::string> AskFileName(FileUse use, const std::string& suggested) override;
    void Beep() override;

    Form1Hooks m_hooks;
    QtSurface m_surface;
    std::unique_ptr<zMachine> m_machine;
    PictureBox* m_picture1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QFileDialog* m_commonDialog1 = nullptr;
    QString m_pendingStory; ///< the command line's story until its game has started
    bool m_gameRunning = false;
    bool m_unloading = false; ///< the window is closing: every wait ends the game
    std::optional<GameOutcome> m_lastOutcome;
};

} // namespace lantern
