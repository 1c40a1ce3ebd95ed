#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace lantern {

/// A size in pixels (or units): width and height.
struct PictureSize {
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const PictureSize&) const = default;
};

/// One picture of a story's resources, as its Blorb holds it.
struct PictureInfo {
    enum class Format { Png, Jpeg, Rect };
    Format Kind = Format::Rect;
    /// The image file (PNG or JPEG) inside the kept resource file; empty for a placeholder
    /// rectangle, which has a size and no pixels.
    std::span<const uint8_t> Bytes;
    /// The size in the picture's own pixels, as its header declares it (0 when unreadable).
    PictureSize Size;
    /// Drawn with the palette of the last picture drawn that is not adaptive ("APal").
    bool Adaptive = false;
    /// The resolution chunk's ratios (numerator, denominator): standard, least and most.
    /// Without an entry the picture is never scaled.
    struct Ratios {
        uint32_t Num = 1, Den = 1, MinNum = 0, MinDen = 0, MaxNum = 0, MaxDen = 0;
    };
    std::optional<Ratios> Scaling;
};

/// The pictures of a story's resource file (Blorb "Pict" resources, the resolution chunk
/// "Reso", the adaptive palette list "APal" and the release "RelN"). It keeps the file's bytes,
/// so that pictures are read from it as they are needed; it never decodes an image.
class PictureSet {
  public:
    /// The pictures of a Blorb file's bytes, which the set keeps; nothing when the bytes are
    /// no Blorb or hold no picture.
    static std::shared_ptr<const PictureSet> FromBlorb(std::vector<uint8_t> file);

    /// How many pictures there are (placeholder rectangles included).
    size_t Count() const { return m_pictures.size(); }
    /// The release number of the resources ("RelN"), 0 when there is none.
    int32_t Release() const { return m_release; }
    /// Picture number; nothing when there is none.
    const PictureInfo* Find(uint32_t number) const;
    /// Picture number's size on a screen of width x height units: scaled as the resolution
    /// chunk says (its standard screen size against this one), each side at least 1 where
    /// the picture has one, and never more than 32767 units.
    std::optional<PictureSize> ScaledSize(uint32_t number, int32_t screenWidth,
                                          int32_t screenHeight) const;
    /// Picture number's place on a screen of width x height units where pictures are not
    /// shown (character cells): its share of the screen it was made for (the resolution
    /// chunk's standard size) in each direction, or one unit for 8 by 8 of its pixels when the
    /// file names no such screen.
    std::optional<PictureSize> StretchedSize(uint32_t number, int32_t screenWidth,
                                             int32_t screenHeight) const;
    /// The factor a picture is drawn at on such a screen (1 when it has no entry).
    double Scale(const PictureInfo& picture, int32_t screenWidth, int32_t screenHeight) const;
    /// The resource file's bytes are this many.
    size_t Bytes() const { return m_file.size(); }
    /// The screen the pictures were made for (the resolution chunk's standard size), when the
    /// file names one.
    std::optional<PictureSize> StandardScreen() const {
        if (m_standardWidth == 0 || m_standardHeight == 0 || m_standardWidth > 32767 ||
            m_standardHeight > 32767)
            return std::nullopt;
        return PictureSize{static_cast<int32_t>(m_standardWidth),
                           static_cast<int32_t>(m_standardHeight)};
    }
    /// A number no other set of this run has: pictures of different sets never share a key.
    uint64_t Id() const { return m_id; }

  private:
    uint64_t m_id = 0;
    std::vector<uint8_t> m_file;
    std::map<uint32_t, PictureInfo> m_pictures;
    int32_t m_release = 0;
    // The standard screen of the resolution chunk (0: none given).
    uint32_t m_standardWidth = 0;
    uint32_t m_standardHeight = 0;
};

/// The size an image file declares: a PNG's IHDR, a JPEG's start of frame. Nothing when the
/// bytes do not say.
std::optional<PictureSize> DeclaredImageSize(std::span<const uint8_t> bytes,
                                             PictureInfo::Format format);

} // namespace lantern
