#include "window/StoryFiles.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace lantern {

QStringList StoryFilters() {
    return {QStringLiteral("Z-machine stories (*.z1 *.z2 *.z3 *.z4 *.z5 *.z6 *.z7 *.z8 *.zblorb "
                           "*.zlb *.blb)"),
            QStringLiteral("All files (*)")};
}

void PrepareStoryDialog(QFileDialog& dialog, const QString& folder) {
    dialog.setNameFilters(StoryFilters());
    if (!folder.isEmpty() && QDir(folder).exists())
        dialog.setDirectory(folder);
}

QString DroppedStory(const QMimeData& data) {
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            return url.toLocalFile();
    }
    return {};
}

QString StoryName(const QString& path) {
    return QFileInfo(path).completeBaseName();
}

} // namespace lantern
