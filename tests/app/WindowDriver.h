#pragma once

#include "app/RecordingSurface.h"
#include "window/Form1.h"
#include "window/MainMenu.h"
#include "window/PictureBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QTimer>
#include <cctype>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lantern::test {

/// Stand-ins in a script for keys that type no character.
inline constexpr char kEscapeKey = '\x1b';
inline constexpr char kLeftKey = '\x02';
inline constexpr char kUpKey = '\x10';

/// Sends one key, as the window system would, to the widget that has the focus in a game: the
/// display area, from where an unhandled key goes on to the form. '\r' is Return, '\b'
/// Backspace, and the stand-ins above their keys; other characters are keys that type
/// themselves.
inline void SendKey(QWidget* target, char c) {
    int key = Qt::Key_unknown;
    QString text(QChar(static_cast<unsigned char>(c)));
    if (c == '\r') {
        key = Qt::Key_Return;
    } else if (c == '\b') {
        key = Qt::Key_Backspace;
    } else if (c == kEscapeKey) {
        key = Qt::Key_Escape;
    } else if (c == kLeftKey || c == kUpKey) {
        key = c == kLeftKey ? Qt::Key_Left : Qt::Key_Up;
        text.clear();
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ') {
        key = std::toupper(static_cast<unsigned char>(c)); // Qt's codes for these are ASCII
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

/// What the player does at one wait of the game.
struct Step {
    enum class Wait { Line, Key };
    Wait wait;
    std::string keys;            ///< typed one key per pass of the event loop
    std::function<void()> check; ///< runs when the wait begins, before anything is typed
    bool hold = false;           ///< from this wait on nothing is typed; waits end by themselves
};

inline Step Line(std::string keys, std::function<void()> check = {}) {
    return {Step::Wait::Line, std::move(keys), std::move(check)};
}
inline Step Key(char key, std::function<void()> check = {}) {
    return {Step::Wait::Key, std::string(1, key), std::move(check)};
}
/// At a key wait: types nothing more, and leaves the window open for waits that end by
/// themselves (timed input) until the game ends.
inline Step Hold(std::function<void()> check = {}) {
    return {Step::Wait::Key, "", std::move(check), true};
}

/// A window with a story, driven by a scripted player. The player types only while the game
/// waits for keys, one key per pass of the event loop; when the script is done and the game
/// waits again, the player closes the window.
class WindowDriver {
  public:
    std::vector<std::pair<std::string, MessageIcon>> messages;
    std::vector<std::string> questions;
    std::deque<bool> answers; ///< the questions' answers, in order; Yes once they run out
    std::deque<QString> choices; ///< the dialog's answers, in order; empty cancels
    /// The saved-game dialog's answers, in order (none left cancels), and what it was asked:
    /// whether to save, and the name it suggested.
    std::deque<std::string> savedGameChoices;
    std::vector<std::pair<bool, std::string>> savedGameDialogs;
    int dialogs = 0;
    bool closedByScript = false;
    /// Presses a key at every "[**MORE**]" that the script does not ask for.
    bool autoMore = false;
    int autoMores = 0;

    /// A window with options; its message boxes are recorded and answered Yes, or with
    /// realMessageBoxes, shown as they are (the test answers them). Its preferences and
    /// autosaves are kept in a folder of its own, or in `folder` when one is given (a later
    /// window then finds what an earlier one kept). Its sounds play on `sound` (none: a
    /// device that never opens).
    explicit WindowDriver(Options options = {}, bool realMessageBoxes = false,
                          const QString& folder = {}, SoundDevice* sound = nullptr) {
        Form1Hooks hooks;
        hooks.sound = sound;
        const QString place = folder.isEmpty() ? m_folder.path() : folder;
        hooks.settingsFile = place + QStringLiteral("/lantern.ini");
        hooks.dataFolder = place + QStringLiteral("/data");
        if (!realMessageBoxes) {
            hooks.showMessage = [this](const std::string& text, MessageIcon icon) {
                messages.emplace_back(text, icon);
            };
            hooks.askYesNo = [this](const std::string& text) {
                questions.push_back(text);
                if (answers.empty())
                    return true;
                const bool answer = answers.front();
                answers.pop_front();
                return answer;
            };
        }
        hooks.chooseFile = [this] {
            ++dialogs;
            if (choices.empty())
                return QString();
            QString choice = choices.front();
            choices.pop_front();
            return choice;
        };
        hooks.chooseSavedGame = [this](bool forSave,
                                       const std::string& suggested) -> std::optional<std::string> {
            savedGameDialogs.emplace_back(forSave, suggested);
            if (savedGameChoices.empty())
                return std::nullopt;
            std::string choice = savedGameChoices.front();
            savedGameChoices.pop_front();
            return choice;
        };
        hooks.surface = [this](QtSurface& surface) -> Surface& {
            recorder = std::make_unique<RecordingSurface>(surface);
            return *recorder;
        };
        form = std::make_unique<Form1>(options, hooks);
        form->show();
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    }

    ~WindowDriver() { form.reset(); }

    /// Presses "Run Game" and plays the script; returns when the button's handler returns.
    void Play(std::vector<Step> steps) {
        Script(std::move(steps));
        form->Command1_Click();
        m_timer.stop();
    }

    /// Sets the script and starts the player without pressing the button.
    void Script(std::vector<Step> steps) {
        m_steps.assign(std::make_move_iterator(steps.begin()),
                       std::make_move_iterator(steps.end()));
        m_typing.clear();
        m_holding = false;
        m_clock.start();
        m_timer.start();
    }

    /// Lets events run until the game of a press has ended, or a few seconds have passed.
    bool RunEventsUntilOutcome() {
        QElapsedTimer clock;
        clock.start();
        while (!form->LastOutcome() && clock.elapsed() < kTimeLimitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        m_timer.stop();
        return form->LastOutcome().has_value();
    }

    bool ScriptDone() const { return m_steps.empty() && m_typing.empty(); }
    RecordingSurface& Recorder() { return *recorder; }
    QtSurface& Display() { return form->DisplaySurface(); }
    zScreen& Screen() { return form->Machine().Screen(); }

    /// Declared before the form, which draws on it, so that it outlives the form.
    std::unique_ptr<RecordingSurface> recorder;
    std::unique_ptr<Form1> form;

  private:
    static constexpr qint64 kTimeLimitMs = 60'000;
    QTemporaryDir m_folder;

    void Tick() {
        if (!form->GameRunning())
            return;
        if (m_clock.elapsed() > kTimeLimitMs) {
            ADD_FAILURE() << "the game did not finish its script in time";
            form->close();
            return;
        }
        Keyboard& keys = form->Machine().Keys();
        // A key given in a check (a click) is the game's to take first.
        if (!keys.WantsKeys() || m_holding)
            return;
        if (m_typing.empty()) {
            const bool lineWait = keys.WaitingForLine();
            if (autoMore && !lineWait &&
                (m_steps.empty() || m_steps.front().wait == Step::Wait::Line)) {
                ++autoMores;
                SendKey(form->Picture1(), ' ');
                return;
            }
            if (m_steps.empty()) {
                closedByScript = true;
                form->close();
                return;
            }
            Step step = std::move(m_steps.front());
            m_steps.pop_front();
            EXPECT_EQ(lineWait, step.wait == Step::Wait::Line)
                << "the game waits for " << (lineWait ? "a line" : "a key") << " before typing \""
                << step.keys << "\"";
            if (step.check)
                step.check();
            m_holding = step.hold;
            m_typing = step.keys;
            if (m_typing.empty())
                return;
        }
        const char key = m_typing.front();
        m_typing.erase(0, 1);
        SendKey(form->Picture1(), key);
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    std::deque<Step> m_steps;
    std::string m_typing;
    bool m_holding = false;
};

} // namespace lantern::test
