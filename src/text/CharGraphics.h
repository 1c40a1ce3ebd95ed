#pragma once

#include <array>
#include <cstdint>

namespace lantern {

/// Font 3, the Z-machine's character graphics font, has a glyph for each code 32 to 126.
inline constexpr int kFirstGraphic = 32;
inline constexpr int kLastGraphic = 126;

/// A glyph of font 3: eight rows of eight pixels from the top, the leftmost pixel of a row in
/// its highest bit.
using GraphicBitmap = std::array<uint8_t, 8>;

/// The Unicode character nearest to font 3's glyph for `code` (32 to 126); other codes have no
/// glyph of font 3 and give 0.
char32_t CharGraphic(uint8_t code);
/// Font 3's glyph for `code` (32 to 126); nothing for other codes.
const GraphicBitmap* CharGraphicBitmap(uint8_t code);

} // namespace lantern
