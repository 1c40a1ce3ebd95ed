#pragma once

#include "platform/Surface.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QVector>
#include <cstdint>
#include <optional>

namespace lantern {

/// The pictures a story has drawn, decoded once and kept, with the scaled copies drawn lately:
/// at most kMostBytes of images together, the one used longest ago dropped first. It keeps the
/// current palette of adaptive pictures: the colours of the last picture drawn that is not
/// adaptive.
class PictureCache {
  public:
    /// Decoded and scaled images together never take more than this.
    static constexpr qint64 kMostBytes = qint64{256} << 20;
    /// A picture larger than this, decoded or scaled, is not kept (nor decoded, as its file
    /// declares it).
    static constexpr qint64 kLargestImage = qint64{64} << 20;

    /// The picture as it is to be drawn at its target's size (its own, when too large to keep
    /// scaled: then `scaled` is false and the caller scales it as it draws); nothing when it
    /// cannot be decoded.
    struct Ready {
        const QImage* image = nullptr;
        bool scaled = false;
    };
    Ready Prepare(const PictureDraw& picture);

    /// The bytes the kept images take.
    qint64 Bytes() const { return m_bytes; }
    void Clear();

  private:
    struct Entry {
        QImage image;
        qint64 bytes = 0;
        uint64_t used = 0;
    };
    /// The decoded picture (a null image when it cannot be decoded).
    const QImage& Decoded(const PictureDraw& picture);
    void Keep(QHash<QString, Entry>& table, const QString& key, QImage image);
    void MakeRoom(qint64 bytes);

    QHash<QString, Entry> m_decoded;
    QHash<QString, Entry> m_scaled;
    qint64 m_bytes = 0;
    uint64_t m_clock = 0;
    QVector<QRgb> m_palette;    ///< the colours adaptive pictures take
    uint64_t m_paletteTurn = 0; ///< grows whenever the palette changes
};

} // namespace lantern
