#pragma once

#include "Options.h"
#include "machine/zMachine.h"
#include "platform/Host.h"
#include "window/Preferences.h"
#include "window/QtSurface.h"
#include "sound/SoundModule.h"
#include "window/StoryFiles.h"
#include "window/StoryInfoDialog.h"

#include <QList>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QFileDialog;
class QKeyEvent;
class QLabel;
class QMessageBox;
class QPushButton;

namespace lantern {

class MainMenu;
class CoverView;
class PictureBox;
class WelcomeText;

/// Stand-ins for the parts of the window that block or that a test wants to watch. Each one
/// left empty keeps the real behaviour.
struct Form1Hooks {
    /// Replaces the modal message box.
    std::function<void(const std::string& text, MessageIcon icon)> showMessage;
    /// Replaces the modal Yes/No question.
    std::function<bool(const std::string& text)> askYesNo;
    /// Replaces showing CommonDialog1: the chosen file, or an empty string when cancelled.
    std::function<QString()> chooseFile;
    /// Replaces the save or open dialog of a saved game (given whether it saves and the file
    /// the dialog would start on, a full path): the chosen file, or nothing when cancelled.
    std::function<std::optional<std::string>(bool forSave, const std::string& suggested)>
        chooseSavedGame;
    /// The surface the game draws on, given the window's own (a test wraps it to record).
    std::function<Surface&(QtSurface&)> surface;
    /// The settings file, in place of the per-user one.
    QString settingsFile;
    /// The folder for autosaves, in place of the per-user data folder.
    QString dataFolder;
    /// The device the story's sounds play on, in place of the sound module's.
    SoundDevice* sound = nullptr;
};

/// The program's window: the menus, the display area Picture1, the "Run Game" button Command1
/// and the open-file dialog CommonDialog1. A game runs inside Command1_Click; while it waits
/// for keys the window's events run through DoEvents, and typed keys reach the game's keyboard.
/// The form wires the pieces that live in their own files: the menus (MainMenu), the
/// preferences (Preferences), the welcome text, the story files' dialog and drops.
class Form1 : public QWidget, private Host {
    Q_OBJECT

  public:
    /// With options.story set, that game starts as soon as the event loop runs.
    explicit Form1(const Options& options, Form1Hooks hooks = {}, QWidget* parent = nullptr);
    ~Form1() override;

    /// "Run Game" (and Game > Open): runs one whole game, from laying out the screen to its
    /// end. The first press plays the story given on the command line, if any, without the
    /// dialog. During a game it asks first, then ends that game for the one chosen.
    void Command1_Click();
    /// Opens a story (Open Recent, a drop, the welcome text): at once when idle, and during a
    /// game as Command1_Click does, asking first.
    void OpenStory(const QString& path);
    /// A typed key as its Unicode character (8 backspace, 13 Enter), for the game's keyboard.
    void Form_KeyPress(int keyAscii);
    /// A key that types no character (cursor, function, keypad and editing keys; see Keys.h),
    /// for the game's keyboard.
    void Form_KeyDown(int keyCode);
    /// The window closes: the program ends at once, also in the middle of a game (which the
    /// complete Z-machine keeps as an autosave).
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
    MainMenu* Menu() const { return m_menu; }
    WelcomeText* Welcome() const { return m_welcome; }
    const Preferences& Settings() const { return m_preferences; }
    /// Whether the next game (or the one playing) is the complete Z-machine: the command line's
    /// --standard or the preference.
    bool PlaysStandard() const { return m_standardOnCommandLine || m_preferences.standard; }
    /// The story's cover over the display area, shown before the story begins.
    CoverView* Cover() const { return m_cover; }
    /// "About this story", beside "Run Game": enabled once a story has been chosen.
    QPushButton* AboutButton() const { return m_about; }
    /// The line beside the buttons that says what a change waits for (the next game).
    QLabel* Note() const { return m_note; }
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
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    /// Starts the command line's story unless it has already been started.
    void StartCommandLineStory();
    /// Sizes the window to 0.8 of the screen and centres it (the first time, with no size kept).
    void SizeToScreen();
    /// Puts the menus at the top, stretches Picture1 under them and puts Command1 below.
    void LayOut();
    /// The room the window takes around Picture1's text area.
    QSize AroundText() const;
    /// Gives the surface Picture1's text area (less 5 pixels) and lays the game's screen out.
    void PrepareDisplay();
    /// The story to play: the command line's on the first press, else the dialog's choice.
    QString ChooseStory();
    /// Plays one game of a story, from its title to the line that says it has ended.
    void PlayStory(const QString& story);
    /// Whether the game playing may be left for another story; asks the player.
    bool MayLeaveGame();
    /// Whether the game playing is kept when it is left (as an autosave).
    bool GameKept() const;
    /// The screen follows the display: during a game of the complete Z-machine, and before
    /// the first game (the welcome).
    void FollowDisplay();
    /// The window is never smaller than the screen needs: the laid-out screen during a game of
    /// the default mode, the smallest screen otherwise.
    void UpdateMinimumSize();
    /// Under the last game's screen: that it has ended, and how to open another.
    void ShowEndOfStory();
    /// The fonts, colours and margin chosen, where they apply now (fonts wait for the next game
    /// while one of the default mode is played, whose layout is fixed).
    void ApplyLook();
    void ShowWelcome(bool shown);
    /// The recent stories as the menu and the welcome show them.
    QList<RecentStory> RecentStories() const;
    /// Drops the recent stories whose files are gone, and shows the rest.
    void RefreshRecent();
    /// Reads the settings file (a regular file only) into the preferences.
    void LoadPreferences();
    /// Writes the preferences to the settings file when they differ from what it holds.
    void SavePreferences();
    /// Puts the window where the preferences left it, fitted to the screen there; false when
    /// they keep no place.
    bool PlaceWindow();
    void ChangeZoom(int step);
    void ChooseLook();
    /// Shows the game's state over the display: the lower window's place, the caret while a
    /// line is read; with announce, the new text for assistive technology.
    void SyncDisplay(bool announce);
    /// Keys the window keeps for itself: scrolling back and copying. True when handled.
    bool HandleViewKey(const QKeyEvent& event);
    /// Names the chosen story in the title bar and shows its cover until a key or a click.
    void PresentStory(const QString& path);
    /// "About this story": the cover and the record in a dialog.
    void ShowStoryInfo();

    // Host: what the running game needs from the window.
    void DoEvents() override;
    void DoEventsFor(int timeoutMs) override;
    void ProcessPendingEvents() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    bool AskQuestion(const std::string& text) override;
    /// A Yes/No box with a QMessageBox icon; true for Yes.
    bool Ask(const std::string& text, int icon);
    /// Shows a box until it is answered; plain typing does not answer it (see Form1.cpp).
    int RunBox(QMessageBox& box);
    /// Starts the dialog on a full path: the last saved game of the story, or suggested.
    std::optional<std::string> AskFileName(FileUse use, const std::string& suggested) override;
    /// The dialog for a file (see Form1Hooks::chooseSavedGame), starting on start.
    std::optional<std::string> ChooseFile(FileUse use, const QString& start);
    void Beep() override;
    bool OffersMouse() const override { return true; }
    SoundDevice* Sound() override { return m_sound; }
    /// The player's sound choice, on the device.
    void ApplySound();

    Form1Hooks m_hooks;
    std::string m_settingsPath;     ///< the settings file, as the system's bytes
    WindowSettings m_settingsKept;  ///< what the settings file holds (or would, were it written)
    bool m_settingsWritable = true; ///< false once the settings file proved it cannot be
    Preferences m_preferences;
    bool m_standardOnCommandLine = false;
    QtSurface m_surface;
    std::unique_ptr<zMachine> m_machine;
    MainMenu* m_menu = nullptr;
    PictureBox* m_picture1 = nullptr;
    WelcomeText* m_welcome = nullptr;
    QPushButton* m_command1 = nullptr;
    QFileDialog* m_commonDialog1 = nullptr;
    QPushButton* m_about = nullptr;
    QLabel* m_note = nullptr;
    CoverView* m_cover = nullptr;
    std::optional<StoryShown> m_story; ///< the chosen story's record and cover
    QString m_pendingStory;            ///< the story to play next without the dialog
    QString m_nextStory;               ///< the story chosen during a game, played when it has ended
    bool m_gameRunning = false;
    bool m_standardGame = false; ///< the game playing is the complete Z-machine
    bool m_played = false;       ///< a game has been laid out on the display
    bool m_leaveGame = false;    ///< the player chose another story: every wait ends the game
    bool m_unloading = false; ///< the window is closing: every wait ends the game
    QString m_storyPlaying;   ///< the full path of the story of the game playing or last played
    std::set<std::string> m_yesToAll; ///< questions answered "Yes to all" in this game
    /// The look the game playing was laid out in: it changes only at the next game.
    struct LookInForce {
        QtSurface::Fonts fonts;
        Theme theme = Theme::Light;
        bool storyColours = true;
    } m_lookInForce;
    std::optional<GameOutcome> m_lastOutcome;
    std::unique_ptr<ModuleSound> m_soundModule; ///< loaded when a game first plays a sound
    SoundDevice* m_sound = nullptr;
};

} // namespace lantern
