#pragma once

#include <cstdint>

namespace lantern {

/// Font 3, the Z-machine's character graphics font, has a glyph for each code 32 to 126.
inline constexpr int kFirstGraphic = 32;
inline constexpr int kLastGraphic = 126;

/// The Unicode character that draws font 3's glyph for `code` (32 to 126); other codes have no
/// glyph of font 3 and give 0.
char32_t CharGraphic(uint8_t code);

} // namespace lantern
