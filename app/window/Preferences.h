#pragma once

#include "files/Settings.h"
#include "platform/Surface.h"
#include "sound/SoundPreferences.h"
#include "window/QtSurface.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace lantern {

/// The colours the text is drawn in while the story sets none.
enum class Theme { Light, Dark };

/// What the player chose and what the window remembers, kept in the settings file (see
/// WindowSettings) in the usual per-user place, lantern/lantern.ini in the configuration folder.
struct Preferences {
    static constexpr int kMaxRecent = static_cast<int>(WindowSettings::kMaxRecent);
    static constexpr int kMinZoom = WindowSettings::kMinZoom;
    static constexpr int kMaxZoom = WindowSettings::kMaxZoom;
    static constexpr int kZoomStep = 10;
    static constexpr int kDefaultMargin = 6;

    QtSurface::Fonts fonts; ///< faces and size at a zoom of 100%
    int zoom = 100;         ///< percent
    Theme theme = Theme::Light;
    bool storyColours = true; ///< show the colours a story sets
    int margin = kDefaultMargin;
    std::optional<WindowPlace> place; ///< where the window was left
    QString lastFolder;               ///< as PathText gives it
    QStringList recent;               ///< stories played, the latest first, as PathText gives them
    bool standard = false; ///< play the complete Z-machine (the command line may ask for it too)
    SoundChoice sound;     ///< sound on or off, and its volume (the terminal reads them too)
    /// What is known of a story played: its label and its last saved game.
    struct Note {
        QString label;     ///< "Title — Author" from its record; empty when it has none
        QString savedGame; ///< as PathText gives it; empty when none was saved or restored
    };
    QHash<QString, Note> notes; ///< by the story's full path; kept for the recent stories only

    /// Takes the settings read (each one missing keeps its default).
    void Load(const WindowSettings& settings);
    /// All of the preferences as the settings file keeps them.
    WindowSettings Kept() const;
    /// Puts a story first among the recent ones (a full path), keeping at most kMaxRecent.
    void AddRecent(const QString& path);
    /// Drops the recent stories whose files are gone; true when any was.
    bool DropMissingRecent();
    /// How the recent stories show a story: its label, or else its file's name.
    QString RecentLabel(const QString& path) const;
    /// The fonts at the zoom chosen.
    QtSurface::Fonts ZoomedFonts() const;
    /// The theme's text and background colours.
    Colour ThemeText() const;
    Colour ThemeBack() const;
};

} // namespace lantern
