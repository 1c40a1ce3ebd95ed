#include "window/Form1.h"

#include "StopSignals.h"
#include "files/FileRead.h"
#include "files/FileWrite.h"
#include "memory/StoryError.h"
#include "text/CharMap.h"
#include "window/AboutBox.h"
#include "window/CoverView.h"
#include "window/FontDialog.h"
#include "window/MainMenu.h"
#include "window/PictureBox.h"
#include "window/StoryFiles.h"
#include "window/WelcomeText.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

namespace lantern {

namespace {

constexpr int kBackspace = 8;
constexpr int kEnter = 13;
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 480;
// The screen is the text area less this many pixels across and down.
constexpr int kScreenInset = 5;
constexpr const char* kLoseGame = "Quit and lose this game?";
// Labels longer than this are cut when kept for the recent stories.
constexpr qsizetype kMaxLabelLength = 200;

/// Keeps plain typing from answering a box: a word typed for the story as the box comes up
/// ("north") would otherwise press No by its letter. Alt with the underlined letter, Enter,
/// Space, Escape, Tab and the mouse answer it.
class TypingGuard : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool held = (key->modifiers() &
                               (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) != 0;
            if (!held && key->key() != Qt::Key_Space && !key->text().isEmpty() &&
                key->text().front().isPrint())
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

Form1::Form1(const Options& options, Form1Hooks hooks, QWidget* parent)
    : QWidget(parent), m_hooks(std::move(hooks)), m_standardOnCommandLine(options.standard),
      m_surface(0, 0) {
    LoadPreferences();
    setWindowTitle(QStringLiteral("Lantern"));
    setAcceptDrops(true);
    Surface& drawOn = m_hooks.surface ? m_hooks.surface(m_surface) : m_surface;
    m_machine = std::make_unique<zMachine>(static_cast<Host&>(*this), drawOn, options.seed);
    if (options.traceFile)
        m_machine->SetTraceFile(*options.traceFile);
    m_machine->SetStandard(PlaysStandard());
    if (m_hooks.sound) {
        m_sound = m_hooks.sound;
    } else {
        m_soundModule = std::make_unique<ModuleSound>(SoundModuleBesideProgram());
        m_sound = m_soundModule.get();
    }
    // A sound that ends wakes the event loop from the audio thread, so that a waiting game
    // calls its routine.
    m_sound->SetWakeUp([] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
    });

    m_menu = new MainMenu(this);
    m_picture1 = new PictureBox(m_surface, this);
    m_welcome = new WelcomeText(m_picture1);
    m_command1 = new QPushButton(QStringLiteral("Run Game"), this);
    m_commonDialog1 = new QFileDialog(this);
    m_commonDialog1->setFileMode(QFileDialog::ExistingFile);
    m_commonDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    PrepareStoryDialog(*m_commonDialog1, m_preferences.lastFolder);
    m_about = new QPushButton(QStringLiteral("About this story"), this);
    m_about->setEnabled(false);
    connect(m_about, &QPushButton::clicked, this, &Form1::ShowStoryInfo);
    m_note = new QLabel(this);
    m_note->setTextFormat(Qt::PlainText);
    m_cover = new CoverView(this);
    m_cover->hide();
    m_surface.SetRepaintHandler([this](const QRect& area) { m_picture1->UpdateSurfaceRect(area); });
    connect(m_command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    // The mouse reaches a story that takes clicks (version 6), in units from (1, 1).
    m_picture1->setMouseTracking(true);
    connect(m_picture1, &PictureBox::SurfaceClicked, this, [this](QPoint point, bool second) {
        if (m_gameRunning)
            m_machine->Keys().MouseClick(point.x() + 1, point.y() + 1, second);
    });
    connect(m_picture1, &PictureBox::SurfaceMouse, this, [this](QPoint point, int buttons) {
        m_machine->Keys().MouseMoved(point.x() + 1, point.y() + 1, buttons);
    });

    // Menu choices that start a game run from the event loop, not inside the menu's signal.
    auto later = [this](auto action) { QTimer::singleShot(0, this, action); };
    connect(m_menu, &MainMenu::GameMenuShown, this, &Form1::RefreshRecent);
    connect(m_menu, &MainMenu::OpenRequested, this, [this, later] {
        later([this] { Command1_Click(); });
    });
    connect(m_menu, &MainMenu::RecentChosen, this, [this, later](const QString& path) {
        later([this, path] { OpenStory(path); });
    });
    connect(m_welcome, &WelcomeText::StoryChosen, this, [this, later](const QString& path) {
        later([this, path] { OpenStory(path); });
    });
    connect(m_menu, &MainMenu::ClearRecentRequested, this, [this] {
        m_preferences.recent.clear();
        m_preferences.notes.clear();
        SavePreferences();
    });
    connect(m_menu, &MainMenu::StandardChosen, this, [this](bool on) {
        m_preferences.standard = on;
        SavePreferences();
    });
    connect(m_menu, &MainMenu::QuitRequested, this, &QWidget::close);
    connect(m_menu, &MainMenu::FontRequested, this, &Form1::ChooseLook);
    connect(m_menu, &MainMenu::ZoomRequested, this, &Form1::ChangeZoom);
    connect(m_menu, &MainMenu::ThemeChosen, this, [this](Theme theme) {
        m_preferences.theme = theme;
        ApplyLook();
    });
    connect(m_menu, &MainMenu::StoryColoursChosen, this, [this](bool shown) {
        m_preferences.storyColours = shown;
        ApplyLook();
    });
    connect(m_menu, &MainMenu::SoundChosen, this, [this](bool on) {
        m_preferences.sound.On = on;
        ApplySound();
    });
    connect(m_menu, &MainMenu::SoundVolumeChosen, this, [this](int percent) {
        m_preferences.sound.Volume = percent;
        m_preferences.sound.On = true;
        ApplySound();
    });
    connect(m_menu, &MainMenu::FullScreenRequested, this,
            [this](bool on) { on ? showFullScreen() : showNormal(); });
    connect(m_menu, &MainMenu::AboutRequested, this, [this] { ShowAboutLantern(this); });
    connect(m_menu, &MainMenu::StoryInfoRequested, this, &Form1::ShowStoryInfo);

    // The first time, the window takes 0.8 of the screen; afterwards the size the player left,
    // as far as the screen it is on now holds it.
    resize(kDesignWidth, kDesignHeight);
    if (!PlaceWindow())
        SizeToScreen();
    ApplyLook();
    ApplySound();
    LayOut();
    FollowDisplay();
    ShowWelcome(true);

    if (!options.story.empty()) {
        m_pendingStory = PathText(options.story);
        QTimer::singleShot(0, this, &Form1::StartCommandLineStory);
    }
}

Form1::~Form1() {
    // The audio output closes before the window goes.
    m_sound->SetWakeUp({});
    m_soundModule.reset();
}

void Form1::StartCommandLineStory() {
    if (!m_gameRunning && !m_pendingStory.isEmpty())
        Command1_Click();
}

// ---- One game --------------------------------------------------------------------------------

void Form1::Command1_Click() {
    if (m_unloading)
        return;
    if (m_gameRunning) {
        // Another story during a game: the player is asked first, and the game ends for the
        // story chosen (a cancelled dialog goes on with the game).
        if (!MayLeaveGame())
            return;
        const QString story = ChooseStory();
        if (!story.isEmpty() && !m_unloading) {
            m_nextStory = story;
            m_leaveGame = true;
        }
        return;
    }
    m_gameRunning = true;
    m_lastOutcome.reset();
    QCoreApplication::processEvents();

    if (!m_unloading) {
        // The screen is laid out on the window as the player left it.
        LayOut();
        PrepareDisplay();
        m_picture1->setFocus();
        QString story = ChooseStory();
        // A cancelled dialog plays nothing: the previous game's image is not played again.
        while (!story.isEmpty() && !m_unloading) {
            PlayStory(story);
            story = std::exchange(m_nextStory, QString());
            if (!story.isEmpty() && !m_unloading)
                PrepareDisplay();
        }
        m_picture1->SetCaret(std::nullopt);
    }

    m_gameRunning = false;
    m_standardGame = false;
    if (!m_unloading) {
        UpdateMinimumSize();
        ShowWelcome(!m_played);
        QCoreApplication::processEvents();
    }
}

void Form1::OpenStory(const QString& path) {
    if (m_unloading || path.isEmpty())
        return;
    if (m_gameRunning) {
        if (MayLeaveGame()) {
            m_nextStory = path;
            m_leaveGame = true;
        }
        return;
    }
    m_pendingStory = path;
    Command1_Click();
}

bool Form1::GameKept() const {
    // The complete Z-machine keeps the game as an autosave when it is left, but a game of
    // version 6.
    return m_standardGame && !m_machine->Screen().Version6();
}

bool Form1::MayLeaveGame() {
    return AskQuestion(GameKept() ? "Stop this game and open another story? The game is "
                                    "kept: opening this story again offers to go on."
                                  : kLoseGame);
}

void Form1::PlayStory(const QString& story) {
    m_leaveGame = false;
    const bool playedBefore = std::exchange(m_played, true);
    ShowWelcome(false);
    // A new game starts without the last one's history.
    m_picture1->ReturnToLive();
    m_picture1->ClearSelection();
    m_surface.ClearHistory();
    m_surface.ClearPictures();
    // The title bar names the story; a cover stands until the player goes on.
    PresentStory(story);
    if (m_unloading)
        return;
    m_preferences.AddRecent(story);
    m_storyPlaying = QFileInfo(story).absoluteFilePath();
    // Open's dialog starts where the last story was, however it was opened.
    m_preferences.lastFolder = QFileInfo(story).absolutePath();
    m_preferences.notes[m_storyPlaying].label = m_story && !m_story->Title().isEmpty()
                                                    ? m_story->WindowTitle().left(kMaxLabelLength)
                                                    : QString();
    m_yesToAll.clear();
    SavePreferences();
    m_standardGame = PlaysStandard();
    m_machine->SetStandard(m_standardGame);
    QString folder = m_hooks.dataFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    m_machine->SetAutosaveFolder(m_standardGame ? PathBytes(folder) : std::string());
    UpdateMinimumSize();
    // The story read for its title and cover is the one played.
    m_lastOutcome = m_machine->RunGame(
        PathBytes(story), m_story ? std::optional<StoryFile>(m_story->File) : std::nullopt);
    if (m_lastOutcome->kind == GameOutcome::Kind::LoadFailed) {
        // A file that is no story is not offered again, and leaves the display as it was.
        m_played = playedBefore;
        m_preferences.recent.removeAll(m_storyPlaying);
        m_preferences.notes.remove(m_storyPlaying);
        SavePreferences();
        setWindowTitle(QStringLiteral("Lantern"));
    } else if (!m_unloading && !m_leaveGame) {
        ShowEndOfStory();
    }
}

void Form1::ShowEndOfStory() {
    zScreen& screen = m_machine->Screen();
    if (!screen.ScreenReady())
        return;
    screen.SetWindow(0);
    screen.SetTextStyle(0);
    std::string text = screen.Window(0).CursorX > 0 ? "\r\n" : "";
    text += "[The story has ended. Open another with Ctrl+O, or drop one here.]";
    screen.SetLinesPrinted(0);
    std::string rest = screen.OutPut(text, false);
    // Output resumed after a page break always makes progress; the line is short.
    for (int pages = 0; !rest.empty() && pages < 8; ++pages) {
        screen.SetLinesPrinted(0);
        rest = screen.OutPut(rest, true);
    }
    screen.UpdateDisplay();
    SyncDisplay(true);
}

QString Form1::ChooseStory() {
    if (!m_pendingStory.isEmpty())
        return std::exchange(m_pendingStory, QString());
    if (m_hooks.chooseFile)
        return m_hooks.chooseFile();
    PrepareStoryDialog(*m_commonDialog1, m_preferences.lastFolder);
    if (m_commonDialog1->exec() != QDialog::Accepted)
        return {};
    const QStringList files = m_commonDialog1->selectedFiles();
    if (files.isEmpty())
        return {};
    return files.first();
}

// ---- Layout ----------------------------------------------------------------------------------

void Form1::SizeToScreen() {
    QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!display)
        return;
    if (isMaximized() || isFullScreen())
        showNormal();
    const QRect area = display->geometry();
    const QSize size(qRound(area.width() * 0.8), qRound(area.height() * 0.8));
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, area));
}

void Form1::LayOut() {
    const int menuHeight = m_menu->sizeHint().height();
    const QSize button = m_command1->sizeHint();
    const int buttonWidth = std::max(button.width(), 120);
    const int buttonHeight = button.height();
    m_menu->setGeometry(0, 0, width(), menuHeight);
    m_picture1->setGeometry(kMargin, menuHeight + kMargin, std::max(width() - 2 * kMargin, 1),
                            std::max(height() - menuHeight - 3 * kMargin - buttonHeight, 1));
    m_command1->setGeometry(kMargin, height() - kMargin - buttonHeight, buttonWidth, buttonHeight);
    const int aboutWidth = std::max(m_about->sizeHint().width(), buttonWidth);
    m_about->setGeometry(2 * kMargin + buttonWidth, height() - kMargin - buttonHeight, aboutWidth,
                         buttonHeight);
    const int noteLeft = 3 * kMargin + buttonWidth + aboutWidth;
    m_note->setGeometry(noteLeft, height() - kMargin - buttonHeight,
                        std::max(width() - noteLeft - kMargin, 1), buttonHeight);
    m_cover->setGeometry(m_picture1->geometry());
    m_welcome->setGeometry(m_picture1->TextArea());
}

QSize Form1::AroundText() const {
    // What LayOut and the display area put around the text area.
    const QRect contents = m_picture1->contentsRect();
    const int margin = 2 * m_picture1->Margin();
    return {2 * kMargin + m_picture1->width() - contents.width() + margin +
                m_picture1->ScrollBarWidth(),
            m_menu->sizeHint().height() + 3 * kMargin + m_command1->sizeHint().height() +
                m_picture1->height() - contents.height() + margin};
}

// ---- The story's title, cover and record -----------------------------------------------------

void Form1::PresentStory(const QString& path) {
    m_story = StoryShown::Read(path);
    m_about->setEnabled(m_story.has_value());
    m_menu->AboutStory()->setEnabled(m_story.has_value());
    setWindowTitle(m_story ? ShownText(m_story->WindowTitle()) : QStringLiteral("Lantern"));
    if (!m_story || m_story->Cover.isNull())
        return;
    // The story begins once the player has seen its cover.
    m_cover->SetStory(m_story->Cover, ShownText(m_story->Title()), ShownText(m_story->Author()));
    m_cover->show();
    m_cover->raise();
    m_cover->setFocus();
    while (m_cover->isVisible() && !m_unloading)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_cover->hide();
    m_picture1->setFocus();
}

void Form1::ShowStoryInfo() {
    if (!m_story)
        return;
    StoryInfoDialog dialog(*m_story, this);
    dialog.exec();
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
    FollowDisplay();
}

void Form1::PrepareDisplay() {
    m_picture1->SetScale(1.0);
    ApplyLook();
    const QSize area = m_picture1->TextArea().size();
    const TextExtent cell = m_surface.FixedCell();
    const int cellWidth = std::max(cell.width, 1);
    const int cellHeight = std::max(cell.height, 1);
    int width = std::max(area.width() - kScreenInset, 1);
    const int height = std::max(area.height() - kScreenInset, 1);
    // Whole lines; the "[**MORE**]" prompt stands inside the lower window, so every line is
    // the story's.
    int lines = height / cellHeight;
    // A window too small for a status line and text gets the least a story needs, and says so.
    if (lines < kMinimumRows || width / cellWidth < kMinimumColumns) {
        lines = std::max(lines, kMinimumRows);
        width = std::max(width, kMinimumColumns * cellWidth);
        ShowMessage("The window is too small to play in: the story is laid out on at least " +
                        std::to_string(kMinimumColumns) + " columns and " +
                        std::to_string(kMinimumRows) + " rows, and not all of it can be seen.",
                    MessageIcon::None);
    }
    m_surface.Resize(width, std::max(height, lines * cellHeight));
    m_machine->PrepareScreen(width, lines * cellHeight);
    m_picture1->update();
}

void Form1::FollowDisplay() {
    const QSize area = m_picture1->TextArea().size();
    const int width = std::max(area.width() - kScreenInset, 1);
    const int height = std::max(area.height() - kScreenInset, 1);
    if (m_gameRunning && m_standardGame && m_machine->GameInProgress() &&
        m_machine->Screen().Version6()) {
        // A version 6 story lays its pictures out once, for the screen it started on: that
        // screen is shown as large as the window allows instead.
        const QSize image = m_surface.Image().size();
        if (!image.isEmpty())
            m_picture1->SetScale(std::min(static_cast<double>(width) / image.width(),
                                          static_cast<double>(height) / image.height()));
    } else if (m_gameRunning && m_standardGame && m_machine->GameInProgress()) {
        m_machine->ResizeScreen(width, height);
        SyncDisplay(false);
    } else if (!m_gameRunning && !m_played) {
        // Before the first game the display is the theme's background.
        m_surface.Resize(width, height);
        m_surface.FillRect(0, 0, width, height, m_preferences.ThemeBack());
    }
    m_picture1->update();
}

void Form1::UpdateMinimumSize() {
    QSize screen;
    if (m_gameRunning && !m_standardGame) {
        // The default mode lays the screen out once, when the game starts.
        screen = m_surface.Image().size() + QSize(kScreenInset, kScreenInset);
    } else {
        const TextExtent cell = m_surface.FixedCell();
        screen = QSize(kMinimumColumns * std::max(cell.width, 1) + kScreenInset,
                       kMinimumRows * std::max(cell.height, 1) + kScreenInset);
    }
    setMinimumSize(AroundText() + screen);
}

void Form1::ShowWelcome(bool shown) {
    if (shown) {
        if (m_preferences.DropMissingRecent())
            SavePreferences();
        m_welcome->SetStories(RecentStories(), m_preferences.ThemeText());
    }
    m_welcome->setGeometry(m_picture1->TextArea());
    m_welcome->setVisible(shown);
}

QList<RecentStory> Form1::RecentStories() const {
    QList<RecentStory> stories;
    for (const QString& path : m_preferences.recent)
        stories.append({path, ShownText(m_preferences.RecentLabel(path))});
    return stories;
}

void Form1::RefreshRecent() {
    if (m_preferences.DropMissingRecent())
        SavePreferences();
    m_menu->SetRecent(RecentStories());
    if (m_welcome->isVisible())
        ShowWelcome(true);
}

// ---- Preferences -----------------------------------------------------------------------------

void Form1::ApplyLook() {
    // A game keeps the colours it started in, and in the default mode its layout, fonts
    // included, until the next game; so does a version 6 game, which is shown scaled instead.
    // The line beside the buttons says what waits.
    const bool inGame = m_gameRunning && m_machine->GameInProgress();
    if (!inGame || (m_standardGame && !m_machine->Screen().Version6())) {
        m_lookInForce.fonts = m_preferences.ZoomedFonts();
        m_surface.SetFonts(m_lookInForce.fonts);
    }
    if (!inGame) {
        m_lookInForce.theme = m_preferences.theme;
        m_lookInForce.storyColours = m_preferences.storyColours;
        zScreen& screen = m_machine->Screen();
        screen.SetDefaultColours(m_preferences.ThemeText(), m_preferences.ThemeBack());
        screen.SetStoryColours(m_preferences.storyColours);
    }
    const bool fontsWait = m_lookInForce.fonts != m_preferences.ZoomedFonts();
    const bool coloursWait = m_lookInForce.theme != m_preferences.theme ||
                             m_lookInForce.storyColours != m_preferences.storyColours;
    m_note->setText(
        fontsWait && coloursWait
            ? QStringLiteral("The font, zoom and colours chosen apply from the next game.")
        : fontsWait   ? QStringLiteral("The font and zoom chosen apply from the next game.")
        : coloursWait ? QStringLiteral("The colours chosen apply from the next game.")
                      : QString());
    m_picture1->SetMargin(m_preferences.margin);
    m_menu->ShowChoices(m_preferences, m_standardOnCommandLine);
    LayOut();
    FollowDisplay();
    if (!m_gameRunning && !m_played)
        ShowWelcome(true);
    UpdateMinimumSize();
    SavePreferences();
}

void Form1::ChangeZoom(int step) {
    m_preferences.zoom = step == 0 ? 100
                                   : std::clamp(m_preferences.zoom + step * Preferences::kZoomStep,
                                                Preferences::kMinZoom, Preferences::kMaxZoom);
    ApplyLook();
}

void Form1::ChooseLook() {
    const auto chosen = AskTextLook(this, TextLook{m_preferences.fonts, m_preferences.margin});
    if (!chosen)
        return;
    m_preferences.fonts = chosen->fonts;
    m_preferences.margin = chosen->margin;
    ApplyLook();
}

void Form1::ApplySound() {
    m_sound->SetPlayerVolume(m_preferences.sound.PlayerVolume());
    m_menu->ShowChoices(m_preferences, m_standardOnCommandLine);
    SavePreferences();
}

void Form1::LoadPreferences() {
    const QString file =
        !m_hooks.settingsFile.isEmpty()
            ? m_hooks.settingsFile
            : QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                  QStringLiteral("/lantern/lantern.ini");
    m_settingsPath = PathBytes(file);
    // Read only from a regular file, without waiting on it: a FIFO or a device in its place is
    // neither read nor ever written, and the settings live as long as the window.
    const FileBytes read = ReadRegularFile(m_settingsPath, kMaxSettingsSize);
    WindowSettings settings;
    if (read.Ok())
        settings = ParseWindowSettings(
            std::string_view(reinterpret_cast<const char*>(read.Bytes.data()), read.Bytes.size()));
    m_preferences.Load(settings);
    m_settingsKept = m_preferences.Kept();
    if (read.Failure == FileBytes::Problem::NotRegular) {
        m_settingsWritable = false;
        QTimer::singleShot(0, this, [this, read] {
            ShowMessage("The settings cannot be kept. " + read.Describe(m_settingsPath) +
                            " They last until Lantern closes.",
                        MessageIcon::Error);
        });
    }
}

void Form1::SavePreferences() {
    m_menu->SetRecent(RecentStories());
    // Written only when something changed, and through the safe writer: a link to what is not
    // a regular file is left as it is, said once, and the settings last as long as the window.
    const WindowSettings settings = m_preferences.Kept();
    if (!m_settingsWritable || settings == m_settingsKept)
        return;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(m_settingsPath).parent_path(), error);
    const std::string text = FormatWindowSettings(settings);
    if (const auto failed = WriteWholeFile(
            m_settingsPath, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
            {})) {
        m_settingsWritable = false;
        ShowMessage("The settings cannot be kept. " + *failed + " They last until Lantern closes.",
                    MessageIcon::Error);
        return;
    }
    m_settingsKept = settings;
}

bool Form1::PlaceWindow() {
    const std::optional<WindowPlace>& place = m_preferences.place;
    if (!place)
        return false;
    // The screen the window was on, or the first one when that one is gone; never larger than
    // the room it has there, and wholly on it.
    const QRect wanted(place->x, place->y, place->width, place->height);
    QScreen* display = QGuiApplication::screenAt(wanted.center());
    if (!display)
        display = QGuiApplication::primaryScreen();
    if (!display)
        return false;
    const QRect room = display->availableGeometry();
    const QSize size = wanted.size().boundedTo(room.size());
    const QPoint at(std::clamp(wanted.x(), room.left(), room.right() - size.width() + 1),
                    std::clamp(wanted.y(), room.top(), room.bottom() - size.height() + 1));
    resize(size);
    move(at);
    if (place->maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    return true;
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_menu)
        m_menu->SetFullScreen(isFullScreen());
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData() && !DroppedStory(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const QString story = event->mimeData() ? DroppedStory(*event->mimeData()) : QString();
    if (story.isEmpty())
        return;
    event->acceptProposedAction();
    // The game runs from the event loop, once the drop is over.
    QTimer::singleShot(0, this, [this, story] { OpenStory(story); });
}

// ---- Keys and closing ------------------------------------------------------------------------

std::vector<int> Form1::KeyAsciiCodes(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Backspace: return {kBackspace};
    case Qt::Key_Return:
    case Qt::Key_Enter: return {kEnter};
    case Qt::Key_Delete: return {}; // its text is DEL, but it types no character
    default: break;
    }
    // Ctrl or Alt with a key types nothing (Ctrl and Alt together are AltGr on some systems).
    const Qt::KeyboardModifiers held = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (held == Qt::ControlModifier || held == Qt::AltModifier)
        return {};
    std::vector<int> codes;
    for (const char32_t c : event.text().toUcs4())
        codes.push_back(static_cast<int>(c));
    return codes;
}

std::optional<int> Form1::KeyCode(const QKeyEvent& event) {
    const int key = event.key();
    // The numeric keypad's digits, where Qt tells them from the main ones.
    if ((event.modifiers() & Qt::KeypadModifier) != 0 && key >= Qt::Key_0 && key <= Qt::Key_9)
        return KeypadKey(key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return FunctionKey(key - Qt::Key_F1 + 1);
    switch (key) {
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Home: return kKeyHome;
    case Qt::Key_End: return kKeyEnd;
    case Qt::Key_Delete: return kKeyDelete;
    default: break;
    }
    // The line's editing keys: Ctrl+A, E, U, K and W.
    const Qt::KeyboardModifiers held = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (held == Qt::ControlModifier && key >= Qt::Key_A && key <= Qt::Key_Z)
        return ControlKey(static_cast<char32_t>(key - Qt::Key_A + 1));
    return std::nullopt;
}

void Form1::keyPressEvent(QKeyEvent* event) {
    // A key that reaches the window while the cover stands dismisses it, and goes no further.
    if (m_cover->isVisible()) {
        m_cover->hide();
        event->accept();
        return;
    }
    if (HandleViewKey(*event)) {
        event->accept();
        return;
    }
    const std::optional<int> keyCode = KeyCode(*event);
    const std::vector<int> codes = keyCode ? std::vector<int>{} : KeyAsciiCodes(*event);
    if (!keyCode && codes.empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A key for the story is typed on the live screen.
    m_picture1->ReturnToLive();
    m_picture1->ClearSelection();
    if (keyCode)
        Form_KeyDown(*keyCode);
    for (const int code : codes)
        Form_KeyPress(code);
    event->accept();
}

bool Form1::HandleViewKey(const QKeyEvent& event) {
    const bool shifted = (event.modifiers() & Qt::ShiftModifier) != 0;
    if (shifted && event.key() == Qt::Key_PageUp) {
        m_picture1->ScrollPages(1);
        return true;
    }
    if (shifted && event.key() == Qt::Key_PageDown) {
        m_picture1->ScrollPages(-1);
        return true;
    }
    // Without a selection the copy key (Ctrl+C) goes to the story like any other.
    if (event.matches(QKeySequence::Copy) && m_picture1->HasSelection()) {
        QGuiApplication::clipboard()->setText(m_picture1->SelectedText());
        return true;
    }
    return false;
}

void Form1::Form_KeyPress(int keyAscii) {
    // The keyboard turns the character into the story's ZSCII code, or drops it.
    m_machine->Keys().TypeCharacter(static_cast<char32_t>(keyAscii));
}

void Form1::Form_KeyDown(int keyCode) {
    m_machine->Keys().KeyPress(keyCode);
}

void Form1::closeEvent(QCloseEvent* event) {
    // The default mode keeps no game: the player is asked first. A stop signal is not asked.
    if (m_gameRunning && !GameKept() && !m_unloading && m_machine->GameInProgress() &&
        StopSignal() == 0 && !AskQuestion(kLoseGame)) {
        event->ignore();
        return;
    }
    // The window's place is kept as the player leaves it: where its frame stands and the size
    // inside it, as a window is placed and sized.
    const QRect normal = isMaximized() || isFullScreen() ? normalGeometry() : QRect(pos(), size());
    if (normal.isValid())
        m_preferences.place =
            WindowPlace{normal.x(), normal.y(), normal.width(), normal.height(), isMaximized()};
    SavePreferences();
    Form_Unload();
    event->accept();
}

void Form1::Form_Unload() {
    // A running game is deep inside Command1_Click; the next wait throws it out, and the
    // event loop ends as soon as control is back there.
    m_unloading = true;
    QCoreApplication::quit();
}

// ---- Host ------------------------------------------------------------------------------------

void Form1::SyncDisplay(bool announce) {
    zScreen& screen = m_machine->Screen();
    if (!screen.ScreenReady())
        return;
    const int cellHeight = screen.CaretHeight();
    const Rect lower = screen.WindowArea(0);
    m_picture1->SetLowerWindow(QRect(lower.left, lower.top, lower.Width(), lower.Height()));
    // The caret stands in the typed text only while a line is read, and while a version 6
    // story has not hidden it (SET_CURSOR -1).
    if (const std::optional<PixelPoint> caret = screen.InputCaret();
        caret && screen.CursorShown()) {
        m_picture1->SetCaret(
            QRect(caret->x, caret->y, 2, cellHeight),
            QColor::fromRgb(static_cast<QRgb>(0xFF000000u | m_surface.TextColour())));
    } else {
        m_picture1->SetCaret(std::nullopt);
    }
    if (announce)
        m_picture1->AnnounceNewText();
}

void Form1::DoEvents() {
    if (m_unloading || m_leaveGame)
        throw GameStopped{};
    SyncDisplay(true);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (m_unloading || m_leaveGame)
        throw GameStopped{};
}

void Form1::DoEventsFor(int timeoutMs) {
    if (m_unloading || m_leaveGame)
        throw GameStopped{};
    SyncDisplay(true);
    // The timer's event ends the wait for events when nothing else came first.
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(timeoutMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (m_unloading || m_leaveGame)
        throw GameStopped{};
}

void Form1::ProcessPendingEvents() {
    if (m_unloading || m_leaveGame)
        throw GameStopped{};
    SyncDisplay(false);
    QCoreApplication::processEvents();
    if (m_unloading || m_leaveGame)
        throw GameStopped{};
}

void Form1::ShowMessage(const std::string& text, MessageIcon icon) {
    if (m_unloading)
        return;
    if (m_hooks.showMessage) {
        m_hooks.showMessage(text, icon);
        return;
    }
    // The text may name a file or quote a story: it is shown as it is, never as markup.
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QStringLiteral("Lantern"), QString::fromStdString(PrintableText(text, true)),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    RunBox(box);
}

int Form1::RunBox(QMessageBox& box) {
    TypingGuard guard;
    box.installEventFilter(&guard);
    return box.exec();
}

bool Form1::AskYesNo(const std::string& text) {
    // A story's question answered "Yes to all" is not asked again until the next game; the
    // story gets Yes each time, as when the player answers.
    if (m_yesToAll.contains(text))
        return true;
    if (m_unloading)
        return false;
    if (m_hooks.askYesNo)
        return m_hooks.askYesNo(text);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Lantern"),
                    QString::fromStdString(PrintableText(text, true)),
                    QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    const int answer = RunBox(box);
    if (m_unloading)
        return false;
    if (answer == QMessageBox::YesToAll)
        m_yesToAll.insert(text);
    return answer == QMessageBox::Yes || answer == QMessageBox::YesToAll;
}

bool Form1::AskQuestion(const std::string& text) {
    // Keys typed before the question appears go where they were typed, not to its buttons.
    if (!m_unloading && !m_hooks.askYesNo)
        QCoreApplication::processEvents();
    return Ask(text, QMessageBox::Question);
}

bool Form1::Ask(const std::string& text, int icon) {
    // A closing window answers No, which ends the game.
    if (m_unloading)
        return false;
    if (m_hooks.askYesNo)
        return m_hooks.askYesNo(text);
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), QStringLiteral("Lantern"),
                    QString::fromStdString(PrintableText(text, true)),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    return RunBox(box) == QMessageBox::Yes && !m_unloading;
}

std::optional<std::string> Form1::AskFileName(FileUse use, const std::string& suggested) {
    if (m_unloading)
        return std::nullopt;
    const bool savedGame = use == FileUse::SaveGame || use == FileUse::RestoreGame;
    // The dialog starts on a full path: the last saved game of this story while its folder is
    // there, else the name suggested beside the story (given by a path relative to the folder
    // Lantern started in, which the dialog would not know).
    QString start = QFileInfo(PathText(suggested)).absoluteFilePath();
    if (const auto note = m_preferences.notes.constFind(m_storyPlaying);
        savedGame && note != m_preferences.notes.cend() && !note->savedGame.isEmpty()) {
        std::error_code error;
        if (std::filesystem::is_directory(
                std::filesystem::path(PathBytes(note->savedGame)).parent_path(), error))
            start = note->savedGame;
    }
    std::optional<std::string> chosen = ChooseFile(use, start);
    if (chosen && !chosen->empty() && savedGame && !m_storyPlaying.isEmpty()) {
        m_preferences.notes[m_storyPlaying].savedGame =
            QFileInfo(PathText(*chosen)).absoluteFilePath();
        SavePreferences();
    }
    return chosen;
}

std::optional<std::string> Form1::ChooseFile(FileUse use, const QString& start) {
    const bool forSave = WritesFile(use);
    if (m_hooks.chooseSavedGame)
        return m_hooks.chooseSavedGame(forSave, PathBytes(start));
    QFileDialog dialog(this, QString::fromUtf8(FileUseTitle(use)));
    dialog.setAcceptMode(forSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    if (use == FileUse::SaveGame || use == FileUse::RestoreGame)
        filters << QStringLiteral("Saved games (*.qzl *.sav)");
    else if (use == FileUse::Transcript || use == FileUse::RecordCommands ||
             use == FileUse::PlayCommands)
        filters << QStringLiteral("Text files (*.txt *.rec)");
    filters << QStringLiteral("All files (*)");
    dialog.setNameFilters(filters);
    const QFileInfo file(start);
    dialog.setDirectory(file.absolutePath());
    dialog.selectFile(file.fileName());
    if (dialog.exec() != QDialog::Accepted || m_unloading || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return PathBytes(dialog.selectedFiles().first());
}

void Form1::Beep() {
    QApplication::beep();
}

} // namespace lantern
