#include "window/Preferences.h"

#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace lantern {

namespace {

constexpr int kMinPixelSize = 6;
constexpr int kMaxPixelSize = 96;
constexpr int kMaxMargin = 100;

} // namespace

void Preferences::Load(QSettings& settings) {
    const Preferences defaults;
    fonts.proportional =
        settings.value(QStringLiteral("fonts/proportional"), defaults.fonts.proportional).toString();
    fonts.fixed = settings.value(QStringLiteral("fonts/fixed"), defaults.fonts.fixed).toString();
    fonts.pixelSize = std::clamp(
        settings.value(QStringLiteral("fonts/size"), defaults.fonts.pixelSize).toInt(),
        kMinPixelSize, kMaxPixelSize);
    zoom = std::clamp(settings.value(QStringLiteral("view/zoom"), defaults.zoom).toInt(),
                      kMinZoom, kMaxZoom);
    theme = settings.value(QStringLiteral("view/theme")).toString() == QStringLiteral("dark")
                ? Theme::Dark
                : Theme::Light;
    storyColours =
        settings.value(QStringLiteral("view/storyColours"), defaults.storyColours).toBool();
    margin = std::clamp(settings.value(QStringLiteral("view/margin"), defaults.margin).toInt(), 0,
                        kMaxMargin);
    geometry = settings.value(QStringLiteral("window/geometry")).toByteArray();
    lastFolder = settings.value(QStringLiteral("files/lastFolder")).toString();
    recent = settings.value(QStringLiteral("files/recent")).toStringList();
    recent.removeAll(QString());
    recent.removeDuplicates();
    while (recent.size() > kMaxRecent)
        recent.removeLast();
    standard = settings.value(QStringLiteral("game/standard"), defaults.standard).toBool();
    sound.On = settings.value(QStringLiteral("sound/on"), defaults.sound.On).toBool();
    sound.Volume = std::clamp(
        settings.value(QStringLiteral("sound/volume"), defaults.sound.Volume).toInt(), 0, 100);
}

void Preferences::Save(QSettings& settings) const {
    settings.setValue(QStringLiteral("fonts/proportional"), fonts.proportional);
    settings.setValue(QStringLiteral("fonts/fixed"), fonts.fixed);
    settings.setValue(QStringLiteral("fonts/size"), fonts.pixelSize);
    settings.setValue(QStringLiteral("view/zoom"), zoom);
    settings.setValue(QStringLiteral("view/theme"),
                      theme == Theme::Dark ? QStringLiteral("dark") : QStringLiteral("light"));
    settings.setValue(QStringLiteral("view/storyColours"), storyColours);
    settings.setValue(QStringLiteral("view/margin"), margin);
    settings.setValue(QStringLiteral("window/geometry"), geometry);
    settings.setValue(QStringLiteral("files/lastFolder"), lastFolder);
    settings.setValue(QStringLiteral("files/recent"), recent);
    settings.setValue(QStringLiteral("game/standard"), standard);
    settings.setValue(QStringLiteral("sound/on"), sound.On);
    settings.setValue(QStringLiteral("sound/volume"), sound.Volume);
    settings.sync();
}

void Preferences::AddRecent(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    recent.removeAll(full);
    recent.prepend(full);
    while (recent.size() > kMaxRecent)
        recent.removeLast();
}

QtSurface::Fonts Preferences::ZoomedFonts() const {
    QtSurface::Fonts zoomed = fonts;
    zoomed.pixelSize = std::max(fonts.pixelSize * zoom / 100, 1);
    return zoomed;
}

Colour Preferences::ThemeText() const {
    return theme == Theme::Dark ? Rgb(224, 224, 224) : Rgb(0, 0, 0);
}

Colour Preferences::ThemeBack() const {
    return theme == Theme::Dark ? Rgb(32, 32, 32) : Rgb(255, 255, 255);
}

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("lantern"), QStringLiteral("lantern"));
}

} // namespace lantern
