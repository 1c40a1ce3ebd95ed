#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

class QFileDialog;
class QMimeData;

namespace lantern {

/// A recent story as the menu and the welcome offer it.
struct RecentStory {
    QString path;  ///< as PathText gives it
    QString label; ///< its title (and author), or its file's name, as ShownText gives it
};

/// The open-file dialog's filters: Z-machine stories first, then every file.
QStringList StoryFilters();
/// Sets the story dialog up: its filters, and the folder it starts in (when there is one).
void PrepareStoryDialog(QFileDialog& dialog, const QString& folder);
/// The story file dropped on the window: the first local file among the dropped ones, or an
/// empty string.
QString DroppedStory(const QMimeData& data);
/// The story's name for the title bar: its file name without the extension.
QString StoryName(const QString& path);

/// A path as the system's bytes in a QString and back, whatever the bytes are: UTF-8 is read
/// as such, and each byte that is not UTF-8 is kept as a lone surrogate (U+DC80 to U+DCFF), so
/// that a file whose name is not UTF-8 is still found. Such a QString is for the window's own
/// use and for showing through ShownText; the system is given PathBytes.
QString PathText(std::string_view bytes);
std::string PathBytes(const QString& path);
/// Text from outside (a path, a story's record) as a title, label or box may show it: what
/// could steer or disguise it (control characters, bidirectional overrides and marks, the
/// bytes of a name that are not UTF-8) becomes "?", as --info shows it.
QString ShownText(const QString& text);

} // namespace lantern
