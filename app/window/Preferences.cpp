#include "window/Preferences.h"

#include "window/StoryFiles.h"

#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace lantern {

void Preferences::Load(const WindowSettings& settings) {
    const Preferences defaults;
    fonts.proportional = settings.proportionalFont
                             ? QString::fromStdString(*settings.proportionalFont)
                             : defaults.fonts.proportional;
    fonts.fixed =
        settings.fixedFont ? QString::fromStdString(*settings.fixedFont) : defaults.fonts.fixed;
    fonts.pixelSize = settings.fontSize.value_or(defaults.fonts.pixelSize);
    zoom = settings.zoom.value_or(defaults.zoom);
    theme = settings.darkTheme.value_or(false) ? Theme::Dark : Theme::Light;
    storyColours = settings.storyColours.value_or(defaults.storyColours);
    margin = settings.margin.value_or(defaults.margin);
    place = settings.place;
    lastFolder = settings.lastFolder ? PathText(*settings.lastFolder) : QString();
    recent.clear();
    for (const std::string& path : settings.recent)
        recent.append(PathText(path));
    notes.clear();
    for (const StoryNote& note : settings.stories)
        notes.insert(PathText(note.story),
                     Note{QString::fromStdString(note.label),
                          note.savedGame.empty() ? QString() : PathText(note.savedGame)});
    standard = settings.standard.value_or(defaults.standard);
    sound = SoundChoice::From(settings);
}

WindowSettings Preferences::Kept() const {
    WindowSettings settings;
    settings.proportionalFont = fonts.proportional.toStdString();
    settings.fixedFont = fonts.fixed.toStdString();
    settings.fontSize = fonts.pixelSize;
    settings.zoom = zoom;
    settings.darkTheme = theme == Theme::Dark;
    settings.storyColours = storyColours;
    settings.margin = margin;
    settings.place = place;
    if (!lastFolder.isEmpty())
        settings.lastFolder = PathBytes(lastFolder);
    for (const QString& path : recent)
        settings.recent.push_back(PathBytes(path));
    for (const QString& path : recent)
        if (const auto note = notes.constFind(path);
            note != notes.cend() && !(note->label.isEmpty() && note->savedGame.isEmpty()))
            settings.stories.push_back(
                StoryNote{PathBytes(path), note->label.toStdString(), PathBytes(note->savedGame)});
    settings.standard = standard;
    settings.soundOn = sound.On;
    settings.soundVolume = sound.Volume;
    // What the file could not give back (a name too long, a relative path) is not kept.
    return ParseWindowSettings(FormatWindowSettings(settings));
}

void Preferences::AddRecent(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    recent.removeAll(full);
    recent.prepend(full);
    while (recent.size() > kMaxRecent)
        recent.removeLast();
}

bool Preferences::DropMissingRecent() {
    const qsizetype before = recent.size();
    recent.removeIf([](const QString& path) {
        std::error_code error;
        return !std::filesystem::is_regular_file(PathBytes(path), error);
    });
    return recent.size() != before;
}

QString Preferences::RecentLabel(const QString& path) const {
    const auto note = notes.constFind(path);
    return note != notes.cend() && !note->label.isEmpty() ? note->label
                                                          : QFileInfo(path).fileName();
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

} // namespace lantern
