// Font 3: the glyphs of the character graphics font as the Unicode characters nearest to them.
//
// The font's pieces were designed to fill their cell, some with their lines along one edge of
// it; Unicode's box-drawing characters all run through the middle of the cell. Every line piece
// is drawn as the centred one, so that the pieces of a frame join up with each other.
#include "text/CharGraphics.h"

#include <array>
#include <cstddef>

namespace lantern {

namespace {

constexpr std::array<char32_t, kLastGraphic - kFirstGraphic + 1> kGraphics = {
    // 32-37: space, the arrows left and right, the two diagonals, and a blank.
    U' ', U'\u2190', U'\u2192', U'\u2571', U'\u2572', U' ',
    // 38-41: the horizontal lines (upper, lower) and the vertical lines (left, right).
    U'\u2500', U'\u2500', U'\u2502', U'\u2502',
    // 42-45: the T pieces: up, down, right and left from a line.
    U'\u2534', U'\u252C', U'\u251C', U'\u2524',
    // 46-49 and 50-53: two sets of corners, bottom-left, top-left, top-right, bottom-right.
    U'\u2514', U'\u250C', U'\u2510', U'\u2518', U'\u2514', U'\u250C', U'\u2510', U'\u2518',
    // 54-58: the filled block and its halves: upper, lower, left, right.
    U'\u2588', U'\u2580', U'\u2584', U'\u258C', U'\u2590',
    // 59-62: a line along one edge of the cell: top, bottom, left, right.
    U'\u2594', U'\u2581', U'\u258F', U'\u2595',
    // 63-66: quarter blocks (upper right, lower right, lower left, upper left); 67-70: the
    // blocks that lack one of those quarters.
    U'\u259D', U'\u2597', U'\u2596', U'\u2598', U'\u259C', U'\u259F', U'\u2599', U'\u259B',
    // 71-72: two opposite quarters; 73-75: the shaded blocks, light, medium and dark; 76: the
    // crossing of two lines.
    U'\u259A', U'\u259E', U'\u2591', U'\u2592', U'\u2593', U'\u253C',
    // 77-83: a bar filled from the left by one to seven eighths of the cell.
    U'\u258F', U'\u258E', U'\u258D', U'\u258C', U'\u258B', U'\u258A', U'\u2589',
    // 84-90: a bar filled from the bottom by one to seven eighths of the cell.
    U'\u2581', U'\u2582', U'\u2583', U'\u2584', U'\u2585', U'\u2586', U'\u2587',
    // 91-95: the arrows up, down and up-down, a box, and a question mark.
    U'\u2191', U'\u2193', U'\u2195', U'\u2395', U'?',
    // 96: the ordinary character; no graphic for it is known here.
    U'`',
    // 97-122: the runic letters for a to z, from the Unicode Runic block, each the rune that
    // stands for that letter's sound.
    U'\u16A8', U'\u16D2', U'\u16B3', U'\u16DE', U'\u16D6', U'\u16A0', U'\u16B7', U'\u16BA',
    U'\u16C1', U'\u16C3', U'\u16B2', U'\u16DA', U'\u16D7', U'\u16BE', U'\u16DF', U'\u16C8',
    U'\u16E9', U'\u16B1', U'\u16CA', U'\u16CF', U'\u16A2', U'\u16A1', U'\u16B9', U'\u16EA',
    U'\u16A3', U'\u16CE',
    // 123-126: as 96, the ordinary characters.
    U'{', U'|', U'}', U'~'};

} // namespace

char32_t CharGraphic(uint8_t code) {
    if (code < kFirstGraphic || code > kLastGraphic)
        return 0;
    return kGraphics[static_cast<std::size_t>(code - kFirstGraphic)];
}

} // namespace lantern
