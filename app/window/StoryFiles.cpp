#include "window/StoryFiles.h"

#include "text/CharMap.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <system_error>

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
        if (!url.isLocalFile())
            continue;
        // The URL's path as the bytes it stands for: a name that is not UTF-8 stays itself.
        const QByteArray bytes =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        std::error_code error;
        if (std::filesystem::is_regular_file(bytes.toStdString(), error))
            return PathText(bytes.toStdString());
    }
    return {};
}

QString StoryName(const QString& path) {
    return QFileInfo(path).completeBaseName();
}

namespace {
constexpr char16_t kFirstKeptByte = 0xDC00;
} // namespace

QString PathText(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t i = 0; i < bytes.size();) {
        const size_t start = i;
        const char32_t c = NextUtf8(bytes, i);
        if (c >= 0x80 && i - start == 1)
            text += QChar(static_cast<char16_t>(kFirstKeptByte + c)); // a byte that is no UTF-8
        else
            text += QString::fromUcs4(&c, 1);
    }
    return text;
}

std::string PathBytes(const QString& path) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(path.size()));
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size() &&
            QChar::isLowSurrogate(path[i + 1].unicode())) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, path[i + 1].unicode()));
            ++i;
        } else if (unit >= kFirstKeptByte + 0x80 && unit <= kFirstKeptByte + 0xFF) {
            bytes += static_cast<char>(unit - kFirstKeptByte);
        } else {
            AppendUtf8(bytes, unit); // a lone surrogate of another kind becomes U+FFFD
        }
    }
    return bytes;
}

QString ShownText(const QString& text) {
    return QString::fromStdString(PrintableText(PathBytes(text)));
}

} // namespace lantern
