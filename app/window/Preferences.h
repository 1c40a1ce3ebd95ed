#pragma once

#include "platform/Surface.h"
#include "sound/SoundPreferences.h"
#include "window/QtSurface.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

namespace lantern {

/// The colours the text is drawn in while the story sets none.
enum class Theme { Light, Dark };

/// What the player chose and what the window remembers, kept with QSettings in the usual
/// per-user place (lantern/lantern.ini in the configuration folder).
struct Preferences {
    static constexpr int kMaxRecent = 10;
    static constexpr int kMinZoom = 50;
    static constexpr int kMaxZoom = 300;
    static constexpr int kZoomStep = 10;
    static constexpr int kDefaultMargin = 6;

    QtSurface::Fonts fonts; ///< faces and size at a zoom of 100%
    int zoom = 100;         ///< percent
    Theme theme = Theme::Light;
    bool storyColours = true; ///< show the colours a story sets
    int margin = kDefaultMargin;
    QByteArray geometry;
    QString lastFolder;
    QStringList recent; ///< stories played, the latest first
    bool standard = false; ///< play the complete Z-machine (the command line may ask for it too)
    SoundChoice sound;     ///< sound on or off, and its volume (the terminal reads them too)

    void Load(QSettings& settings);
    void Save(QSettings& settings) const;
    /// Puts a story first among the recent ones (a full path), keeping at most kMaxRecent.
    void AddRecent(const QString& path);
    /// The fonts at the zoom chosen.
    QtSurface::Fonts ZoomedFonts() const;
    /// The theme's text and background colours.
    Colour ThemeText() const;
    Colour ThemeBack() const;
};

/// The settings in file, or in the per-user place when file is empty.
std::unique_ptr<QSettings> OpenSettings(const QString& file);

} // namespace lantern
