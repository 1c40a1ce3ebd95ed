#include "window/PictureCache.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>

namespace lantern {

namespace {

qint64 ImageBytes(const QImage& image) {
    return image.isNull() ? 0 : image.sizeInBytes();
}

} // namespace

void PictureCache::Clear() {
    m_decoded.clear();
    m_scaled.clear();
    m_bytes = 0;
    m_palette.clear();
    ++m_paletteTurn;
}

void PictureCache::MakeRoom(qint64 bytes) {
    // The image used longest ago goes first, scaled or decoded alike.
    while (m_bytes + bytes > kMostBytes && (!m_decoded.isEmpty() || !m_scaled.isEmpty())) {
        QHash<QString, Entry>* oldestTable = nullptr;
        QString oldestKey;
        uint64_t oldest = UINT64_MAX;
        for (QHash<QString, Entry>* table : {&m_decoded, &m_scaled})
            for (auto it = table->cbegin(); it != table->cend(); ++it)
                if (it->used < oldest) {
                    oldest = it->used;
                    oldestTable = table;
                    oldestKey = it.key();
                }
        m_bytes -= oldestTable->value(oldestKey).bytes;
        oldestTable->remove(oldestKey);
    }
}

void PictureCache::Keep(QHash<QString, Entry>& table, const QString& key, QImage image) {
    const qint64 bytes = ImageBytes(image);
    MakeRoom(bytes);
    m_bytes += bytes;
    table.insert(key, Entry{std::move(image), bytes, ++m_clock});
}

const QImage& PictureCache::Decoded(const PictureDraw& picture) {
    const QString key = QString::number(picture.Key);
    if (const auto found = m_decoded.find(key); found != m_decoded.end()) {
        found->used = ++m_clock;
        return found->image;
    }
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(picture.Bytes.data()),
                                               static_cast<qsizetype>(picture.Bytes.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, picture.Jpeg ? "jpeg" : "png");
    // What the file declares is checked before a pixel is decoded: a picture too large to keep
    // is never decoded.
    const QSize size = reader.size();
    QImage image;
    if (size.isValid() && qint64{size.width()} * size.height() * 4 <= kLargestImage)
        image = reader.read();
    Keep(m_decoded, key, std::move(image));
    return m_decoded[key].image;
}

PictureCache::Ready PictureCache::Prepare(const PictureDraw& picture) {
    const QImage& decoded = Decoded(picture);
    if (decoded.isNull())
        return {};
    const bool indexed = decoded.format() == QImage::Format_Indexed8;
    uint64_t turn = 0;
    if (indexed && !picture.Adaptive) {
        // A picture with its own colours sets the palette of the adaptive ones.
        if (decoded.colorTable() != m_palette) {
            m_palette = decoded.colorTable();
            ++m_paletteTurn;
        }
    } else if (indexed && picture.Adaptive) {
        turn = m_paletteTurn;
    }
    const QSize target(picture.Target.Width(), picture.Target.Height());
    if (target.isEmpty())
        return {};
    const QString key = QStringLiteral("%1/%2x%3/%4")
                            .arg(picture.Key)
                            .arg(target.width())
                            .arg(target.height())
                            .arg(turn);
    if (const auto found = m_scaled.find(key); found != m_scaled.end()) {
        found->used = ++m_clock;
        return {&found->image, true};
    }
    QImage source = decoded;
    if (indexed && picture.Adaptive) {
        // Entries 2 to 15 come from the palette; 0 (transparent) and 1 stay the picture's.
        QVector<QRgb> colours = source.colorTable();
        for (qsizetype i = 2; i < colours.size() && i < m_palette.size(); ++i)
            colours[i] = (colours[i] & 0xFF000000u) | (m_palette[i] & 0x00FFFFFFu);
        source.setColorTable(colours);
    }
    if (qint64{target.width()} * target.height() * 4 > kLargestImage) {
        // Too large to keep scaled: drawn from the decoded picture, scaled as it is drawn.
        Keep(m_scaled, key, source.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        return {&m_scaled[key].image, false};
    }
    // Each pixel of the picture becomes a block of pixels, as on the screen it was made for.
    QImage scaled = source.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Keep(m_scaled, key, std::move(scaled));
    return {&m_scaled[key].image, true};
}

} // namespace lantern
