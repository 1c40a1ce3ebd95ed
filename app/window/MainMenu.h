#pragma once

#include "window/Preferences.h"
#include "window/StoryFiles.h"

#include <QList>
#include <QMenuBar>
#include <QString>

class QAction;
class QMenu;

namespace lantern {

/// The window's menus: Game (Open, Open Recent, the complete Z-machine, Quit), View (font,
/// zoom, colours, sound, full screen) and Help (About This Story, About Lantern). It only asks: the
/// form does what the player chose. Menus and items have Alt mnemonics (Alt+G for Game):
/// Alt with a letter types nothing for the story, and the line's editing keys are Ctrl keys.
class MainMenu : public QMenuBar {
    Q_OBJECT

  public:
    explicit MainMenu(QWidget* parent);

    /// The stories Open Recent offers, latest first: each by its label, numbered, with its
    /// file's path as the tooltip.
    void SetRecent(const QList<RecentStory>& stories);
    /// Shows the choices in force.
    void ShowChoices(const Preferences& preferences, bool standardOnCommandLine);
    void SetFullScreen(bool on);

    QAction* Open() const { return m_open; }
    QMenu* Recent() const { return m_recent; }
    QAction* Standard() const { return m_standard; }
    QAction* Quit() const { return m_quit; }
    QAction* ZoomIn() const { return m_zoomIn; }
    QAction* ZoomOut() const { return m_zoomOut; }
    QAction* ZoomReset() const { return m_zoomReset; }
    QAction* FullScreen() const { return m_fullScreen; }
    QAction* Sound() const { return m_sound; }
    /// View > Sound Volume's choice of percent.
    QAction* SoundVolume(int percent) const;
    /// Help > About This Story: enabled once a story has been chosen.
    QAction* AboutStory() const { return m_aboutStory; }

  signals:
    /// The Game menu is about to show: the recent stories may be brought up to date.
    void GameMenuShown();
    void OpenRequested();
    void RecentChosen(const QString& path);
    void ClearRecentRequested();
    void StandardChosen(bool on);
    void QuitRequested();
    void FontRequested();
    /// +1 zooms in, -1 out, 0 back to 100%.
    void ZoomRequested(int step);
    void ThemeChosen(Theme theme);
    void StoryColoursChosen(bool shown);
    void FullScreenRequested(bool on);
    void SoundChosen(bool on);
    void SoundVolumeChosen(int percent);
    void AboutRequested();
    void StoryInfoRequested();

  private:
    QAction* m_open = nullptr;
    QMenu* m_recent = nullptr;
    QAction* m_standard = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_zoomIn = nullptr;
    QAction* m_zoomOut = nullptr;
    QAction* m_zoomReset = nullptr;
    QAction* m_light = nullptr;
    QAction* m_dark = nullptr;
    QAction* m_storyColours = nullptr;
    QAction* m_fullScreen = nullptr;
    QAction* m_sound = nullptr;
    QMenu* m_soundVolume = nullptr;
    QAction* m_aboutStory = nullptr;
};

} // namespace lantern
