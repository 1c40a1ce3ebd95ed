#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QMimeData;

namespace lantern {

/// The open-file dialog's filters: Z-machine stories first, then every file.
QStringList StoryFilters();
/// Sets the story dialog up: its filters, and the folder it starts in (when there is one).
void PrepareStoryDialog(QFileDialog& dialog, const QString& folder);
/// The story file dropped on the window: the first local file among the dropped ones, or an
/// empty string.
QString DroppedStory(const QMimeData& data);
/// The story's name for the title bar: its file name without the extension.
QString StoryName(const QString& path);

} // namespace lantern
