// The pictures of a story's resources: which there are, their sizes and how they scale.
#include "files/Pictures.h"

#include "files/Blorb.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string_view>

namespace lantern {

namespace {

// No side of a scaled picture is larger, so that every size fits a story's signed word.
constexpr int32_t kLargestSide = 32767;
// The resolution chunk: six numbers, then 28 bytes a picture.
constexpr size_t kResoHeader = 24;
constexpr size_t kResoEntry = 28;

uint32_t Long(std::span<const uint8_t> bytes, size_t at) {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
           (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

std::optional<PictureSize> PngSize(std::span<const uint8_t> bytes) {
    // The signature, then the IHDR chunk: its length, "IHDR", the width and the height.
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 24 ||
        !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()) ||
        std::string_view(reinterpret_cast<const char*>(bytes.data() + 12), 4) != "IHDR")
        return std::nullopt;
    const uint32_t width = Long(bytes, 16);
    const uint32_t height = Long(bytes, 20);
    if (width > INT32_MAX || height > INT32_MAX)
        return std::nullopt;
    return PictureSize{static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

std::optional<PictureSize> JpegSize(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return std::nullopt;
    // Markers follow one another, each with its length, up to a start of frame.
    size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF)
            return std::nullopt;
        const uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {
            ++at; // fill byte
            continue;
        }
        const size_t length = (size_t{bytes[at + 2]} << 8) | bytes[at + 3];
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > bytes.size())
                return std::nullopt;
            const int32_t height = (bytes[at + 5] << 8) | bytes[at + 6];
            const int32_t width = (bytes[at + 7] << 8) | bytes[at + 8];
            return PictureSize{width, height};
        }
        if (length < 2)
            return std::nullopt;
        at += 2 + length;
    }
    return std::nullopt;
}

// A ratio as a number; nothing for 0/0 (no limit) or a zero denominator.
std::optional<double> Ratio(uint32_t num, uint32_t den) {
    if (den == 0)
        return std::nullopt;
    return static_cast<double>(num) / den;
}

} // namespace

std::optional<PictureSize> DeclaredImageSize(std::span<const uint8_t> bytes,
                                             PictureInfo::Format format) {
    switch (format) {
    case PictureInfo::Format::Png: return PngSize(bytes);
    case PictureInfo::Format::Jpeg: return JpegSize(bytes);
    case PictureInfo::Format::Rect: break;
    }
    return std::nullopt;
}

std::shared_ptr<const PictureSet> PictureSet::FromBlorb(std::vector<uint8_t> file) {
    static std::atomic<uint64_t> sets{0};
    auto set = std::make_shared<PictureSet>();
    set->m_id = ++sets;
    set->m_file = std::move(file);
    const Blorb blorb = Blorb::Parse(set->m_file);
    if (blorb.GetStatus() != Blorb::Status::Ok)
        return nullptr;
    for (const BlorbResource& entry : blorb.Index()) {
        if (entry.Usage != "Pict")
            continue;
        const IffChunk* chunk = blorb.Resource("Pict", entry.Number);
        if (!chunk)
            continue;
        PictureInfo picture;
        if (chunk->Id == "PNG ") {
            picture.Kind = PictureInfo::Format::Png;
        } else if (chunk->Id == "JPEG") {
            picture.Kind = PictureInfo::Format::Jpeg;
        } else if (chunk->Id == "Rect" && chunk->Data.size() >= 8) {
            picture.Kind = PictureInfo::Format::Rect;
            const uint32_t width = Long(chunk->Data, 0);
            const uint32_t height = Long(chunk->Data, 4);
            picture.Size = {static_cast<int32_t>(std::min<uint32_t>(width, INT32_MAX)),
                            static_cast<int32_t>(std::min<uint32_t>(height, INT32_MAX))};
        } else {
            continue; // a format no one can draw is no picture
        }
        if (picture.Kind != PictureInfo::Format::Rect) {
            picture.Bytes = chunk->Data;
            picture.Size = DeclaredImageSize(chunk->Data, picture.Kind).value_or(PictureSize{});
        }
        set->m_pictures.emplace(entry.Number, picture);
    }
    if (set->m_pictures.empty())
        return nullptr;
    if (const IffChunk* release = blorb.Chunk("RelN"); release && release->Data.size() >= 2)
        set->m_release = (release->Data[0] << 8) | release->Data[1];
    if (const IffChunk* palette = blorb.Chunk("APal")) {
        for (size_t at = 0; at + 4 <= palette->Data.size(); at += 4) {
            const auto found = set->m_pictures.find(Long(palette->Data, at));
            if (found != set->m_pictures.end())
                found->second.Adaptive = true;
        }
    }
    if (const IffChunk* reso = blorb.Chunk("Reso"); reso && reso->Data.size() >= kResoHeader) {
        const auto data = reso->Data;
        set->m_standardWidth = Long(data, 0);
        set->m_standardHeight = Long(data, 4);
        for (size_t at = kResoHeader; at + kResoEntry <= data.size(); at += kResoEntry) {
            const auto found = set->m_pictures.find(Long(data, at));
            if (found == set->m_pictures.end())
                continue;
            found->second.Scaling =
                PictureInfo::Ratios{Long(data, at + 4),  Long(data, at + 8),  Long(data, at + 12),
                                    Long(data, at + 16), Long(data, at + 20), Long(data, at + 24)};
        }
    }
    return set;
}

const PictureInfo* PictureSet::Find(uint32_t number) const {
    const auto found = m_pictures.find(number);
    return found == m_pictures.end() ? nullptr : &found->second;
}

double PictureSet::Scale(const PictureInfo& picture, int32_t screenWidth,
                         int32_t screenHeight) const {
    if (!picture.Scaling || m_standardWidth == 0 || m_standardHeight == 0)
        return 1.0;
    // How much larger this screen is than the standard one, by its tighter side.
    const double erf = std::min(static_cast<double>(std::max(screenWidth, 1)) / m_standardWidth,
                                static_cast<double>(std::max(screenHeight, 1)) / m_standardHeight);
    const PictureInfo::Ratios& ratios = *picture.Scaling;
    double scale = erf * Ratio(ratios.Num, ratios.Den).value_or(1.0);
    const auto least = ratios.MinNum != 0 ? Ratio(ratios.MinNum, ratios.MinDen) : std::nullopt;
    const auto most = ratios.MaxNum != 0 ? Ratio(ratios.MaxNum, ratios.MaxDen) : std::nullopt;
    if (least && scale < *least)
        scale = *least;
    if (most && scale > *most)
        scale = *most;
    // A zero or absurd ratio draws the picture as it is.
    if (!std::isfinite(scale) || scale <= 0.0 || scale > 1000.0)
        return 1.0;
    return scale;
}

std::optional<PictureSize> PictureSet::ScaledSize(uint32_t number, int32_t screenWidth,
                                                  int32_t screenHeight) const {
    const PictureInfo* picture = Find(number);
    if (!picture)
        return std::nullopt;
    const double scale = Scale(*picture, screenWidth, screenHeight);
    auto side = [scale](int32_t pixels) -> int32_t {
        if (pixels <= 0)
            return 0;
        const double scaled = std::floor(pixels * scale + 0.5);
        return static_cast<int32_t>(std::clamp(scaled, 1.0, static_cast<double>(kLargestSide)));
    };
    return PictureSize{side(picture->Size.Width), side(picture->Size.Height)};
}

std::optional<PictureSize> PictureSet::StretchedSize(uint32_t number, int32_t screenWidth,
                                                     int32_t screenHeight) const {
    const PictureInfo* picture = Find(number);
    if (!picture)
        return std::nullopt;
    const auto standard = StandardScreen();
    auto side = [](int32_t pixels, int64_t screen, int64_t made) -> int32_t {
        if (pixels <= 0)
            return 0;
        const int64_t units = (int64_t{pixels} * screen + made / 2) / made;
        return static_cast<int32_t>(std::clamp<int64_t>(units, 1, kLargestSide));
    };
    constexpr int64_t kCell = 8; // pixels of a cell when no screen is named
    return PictureSize{side(picture->Size.Width, standard ? std::max(screenWidth, 1) : 1,
                            standard ? standard->Width : kCell),
                       side(picture->Size.Height, standard ? std::max(screenHeight, 1) : 1,
                            standard ? standard->Height : kCell)};
}

} // namespace lantern
