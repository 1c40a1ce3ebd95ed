#pragma once

#include <cstdint>
#include <vector>

namespace lantern::test {

/// Packs 5-bit Z-characters three to a word (padding with 5s), the last word carrying the end
/// bit unless endBit is false.
inline std::vector<uint8_t> PackZChars(std::vector<int> codes, bool endBit = true) {
    while (codes.empty() || codes.size() % 3 != 0)
        codes.push_back(5);
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < codes.size(); i += 3) {
        int word = ((codes[i] & 31) << 10) | ((codes[i + 1] & 31) << 5) | (codes[i + 2] & 31);
        if (endBit && i + 3 == codes.size())
            word |= 0x8000;
        bytes.push_back(static_cast<uint8_t>(word >> 8));
        bytes.push_back(static_cast<uint8_t>(word & 0xFF));
    }
    return bytes;
}

} // namespace lantern::test
