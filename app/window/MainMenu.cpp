#include "window/MainMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QMenu>
#include <cstdlib>

namespace lantern {

MainMenu::MainMenu(QWidget* parent) : QMenuBar(parent) {
    QMenu* game = addMenu(QStringLiteral("&Game"));
    connect(game, &QMenu::aboutToShow, this, &MainMenu::GameMenuShown);
    m_open = game->addAction(QStringLiteral("&Open..."), this, &MainMenu::OpenRequested);
    m_open->setShortcut(QKeySequence::Open);
    m_recent = game->addMenu(QStringLiteral("Open &Recent"));
    m_recent->setToolTipsVisible(true);
    game->addSeparator();
    m_standard = game->addAction(QStringLiteral("&Complete Z-machine (Saving, Undo)"));
    m_standard->setCheckable(true);
    m_standard->setToolTip(QStringLiteral("From the next game on"));
    connect(m_standard, &QAction::toggled, this, &MainMenu::StandardChosen);
    game->addSeparator();
    m_quit = game->addAction(QStringLiteral("&Quit"), this, &MainMenu::QuitRequested);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* view = addMenu(QStringLiteral("&View"));
    view->addAction(QStringLiteral("&Font..."), this, &MainMenu::FontRequested);
    view->addSeparator();
    m_zoomIn = view->addAction(QStringLiteral("Zoom &In"), this, [this] { emit ZoomRequested(1); });
    m_zoomIn->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    m_zoomOut =
        view->addAction(QStringLiteral("Zoom &Out"), this, [this] { emit ZoomRequested(-1); });
    m_zoomOut->setShortcut(QKeySequence::ZoomOut);
    m_zoomReset =
        view->addAction(QStringLiteral("&Reset Zoom"), this, [this] { emit ZoomRequested(0); });
    m_zoomReset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    view->addSeparator();
    auto* themes = new QActionGroup(this);
    m_light =
        view->addAction(QStringLiteral("&Light"), this, [this] { emit ThemeChosen(Theme::Light); });
    m_dark =
        view->addAction(QStringLiteral("&Dark"), this, [this] { emit ThemeChosen(Theme::Dark); });
    for (QAction* theme : {m_light, m_dark}) {
        theme->setCheckable(true);
        themes->addAction(theme);
    }
    m_storyColours = view->addAction(QStringLiteral("&Story Colours"));
    m_storyColours->setCheckable(true);
    connect(m_storyColours, &QAction::toggled, this, &MainMenu::StoryColoursChosen);
    view->addSeparator();
    // The stories' sounds play under the complete Z-machine.
    m_sound = view->addAction(QStringLiteral("Sou&nd"));
    m_sound->setCheckable(true);
    connect(m_sound, &QAction::toggled, this, &MainMenu::SoundChosen);
    m_soundVolume = view->addMenu(QStringLiteral("Sound &Volume"));
    auto* volumes = new QActionGroup(this);
    for (const int percent : {25, 50, 75, 100}) {
        QAction* volume = m_soundVolume->addAction(
            QStringLiteral("&") + QString::number(percent) + QStringLiteral("%"), this,
            [this, percent] { emit SoundVolumeChosen(percent); });
        volume->setCheckable(true);
        volume->setData(percent);
        volumes->addAction(volume);
    }
    view->addSeparator();
    m_fullScreen = view->addAction(QStringLiteral("F&ull Screen"));
    m_fullScreen->setCheckable(true);
    m_fullScreen->setShortcut(QKeySequence(Qt::Key_F11));
    connect(m_fullScreen, &QAction::toggled, this, &MainMenu::FullScreenRequested);

    QMenu* help = addMenu(QStringLiteral("&Help"));
    m_aboutStory =
        help->addAction(QStringLiteral("About This &Story"), this, &MainMenu::StoryInfoRequested);
    m_aboutStory->setEnabled(false);
    help->addAction(QStringLiteral("&About Lantern"), this, &MainMenu::AboutRequested);
}

void MainMenu::SetRecent(const QList<RecentStory>& stories) {
    m_recent->clear();
    for (qsizetype i = 0; i < stories.size(); ++i) {
        const QString path = stories[i].path;
        // Numbered 1 to 9, then 0, as mnemonics; an ampersand of a title is itself.
        QString number = QString::number((i + 1) % 10);
        if (i >= 10)
            number.clear();
        QString label = stories[i].label;
        label.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = m_recent->addAction(
            number.isEmpty() ? label : QStringLiteral("&%1  %2").arg(number, label), this,
            [this, path] { emit RecentChosen(path); });
        action->setData(path);
        action->setToolTip(ShownText(QDir::toNativeSeparators(path)));
    }
    if (!stories.isEmpty()) {
        m_recent->addSeparator();
        m_recent->addAction(QStringLiteral("&Clear Recent"), this, &MainMenu::ClearRecentRequested);
    }
    m_recent->setEnabled(!stories.isEmpty());
}

void MainMenu::ShowChoices(const Preferences& preferences, bool standardOnCommandLine) {
    const QSignalBlocker block(this);
    const QSignalBlocker blockStandard(m_standard);
    const QSignalBlocker blockColours(m_storyColours);
    m_standard->setChecked(standardOnCommandLine || preferences.standard);
    // The command line's --standard wins over the preference.
    m_standard->setEnabled(!standardOnCommandLine);
    (preferences.theme == Theme::Dark ? m_dark : m_light)->setChecked(true);
    m_storyColours->setChecked(preferences.storyColours);
    const QSignalBlocker blockSound(m_sound);
    m_sound->setChecked(preferences.sound.On);
    // A volume chosen elsewhere (in the file) shows as the nearest one offered.
    QAction* nearest = nullptr;
    for (QAction* volume : m_soundVolume->actions())
        if (!nearest || std::abs(volume->data().toInt() - preferences.sound.Volume) <
                            std::abs(nearest->data().toInt() - preferences.sound.Volume))
            nearest = volume;
    if (nearest)
        nearest->setChecked(true);
    m_zoomIn->setEnabled(preferences.zoom < Preferences::kMaxZoom);
    m_zoomOut->setEnabled(preferences.zoom > Preferences::kMinZoom);
}

QAction* MainMenu::SoundVolume(int percent) const {
    for (QAction* volume : m_soundVolume->actions())
        if (volume->data().toInt() == percent)
            return volume;
    return nullptr;
}

void MainMenu::SetFullScreen(bool on) {
    const QSignalBlocker block(m_fullScreen);
    m_fullScreen->setChecked(on);
}

} // namespace lantern
