#pragma once

// Blorb files of our own, made in the tests and, by tests/tools/MakeBlorb.cpp, at build time:
// no third-party Blorb is needed.
#include "files/Iff.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lantern::test {

/// One chunk of a Blorb: indexed under usage ("Exec", "Pict", "Snd "), or not ("" for IFmd,
/// Fspc and the like).
struct BlorbPart {
    std::string Usage;
    uint32_t Number = 0;
    std::string Id;
    std::vector<uint8_t> Data;
};

/// A Blorb: the resource index first, then the parts in order.
inline std::vector<uint8_t> BuildBlorb(const std::vector<BlorbPart>& parts) {
    size_t indexed = 0;
    for (const BlorbPart& part : parts)
        indexed += part.Usage.empty() ? 0 : 1;
    std::vector<uint8_t> index;
    PutBigEndian(index, static_cast<uint32_t>(indexed), 4);
    std::vector<uint8_t> chunks;
    // The chunks start after the FORM header, the type and the index chunk.
    const size_t first = 12 + 8 + 4 + 12 * indexed;
    for (const BlorbPart& part : parts) {
        if (!part.Usage.empty()) {
            index.insert(index.end(), part.Usage.begin(), part.Usage.end());
            PutBigEndian(index, part.Number, 4);
            PutBigEndian(index, static_cast<uint32_t>(first + chunks.size()), 4);
        }
        PutChunk(chunks, part.Id, part.Data);
    }
    std::vector<uint8_t> body{'I', 'F', 'R', 'S'};
    PutChunk(body, "RIdx", index);
    body.insert(body.end(), chunks.begin(), chunks.end());
    std::vector<uint8_t> file{'F', 'O', 'R', 'M'};
    PutBigEndian(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

/// Appends a PNG chunk (length, id, data and its CRC) to out.
inline void AppendPngChunk(std::vector<uint8_t>& out, std::string_view id,
                           const std::vector<uint8_t>& data) {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    PutBigEndian(out, static_cast<uint32_t>(data.size()), 4);
    const size_t start = out.size();
    out.insert(out.end(), id.begin(), id.end());
    out.insert(out.end(), data.begin(), data.end());
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = start; i < out.size(); ++i)
        crc = table[(crc ^ out[i]) & 0xFF] ^ (crc >> 8);
    PutBigEndian(out, crc ^ 0xFFFFFFFFu, 4);
}

/// A PNG file of width x height pixels of a colour type (2 RGB, 3 indexed with palette), from
/// its rows (each a filter byte 0, then the pixels), stored without compression (so a large one
/// is as large as it looks).
inline std::vector<uint8_t> MakePngFile(uint32_t width, uint32_t height, uint8_t colourType,
                                        const std::vector<uint8_t>& palette,
                                        const std::vector<uint8_t>& raw) {
    // A zlib stream of stored blocks of at most 65535 bytes, then the Adler-32 of the data.
    std::vector<uint8_t> zlib{0x78, 0x01};
    for (size_t at = 0; at == 0 || at < raw.size();) {
        const size_t length = std::min<size_t>(65535, raw.size() - at);
        zlib.push_back(at + length == raw.size() ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(length));
        zlib.push_back(static_cast<uint8_t>(length >> 8));
        zlib.push_back(static_cast<uint8_t>(~length));
        zlib.push_back(static_cast<uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                    raw.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, (b << 16) | a, 4);
    std::vector<uint8_t> header;
    PutBigEndian(header, width, 4);
    PutBigEndian(header, height, 4);
    header.insert(header.end(), {8, colourType, 0, 0, 0});
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendPngChunk(png, "IHDR", header);
    if (!palette.empty())
        AppendPngChunk(png, "PLTE", palette);
    AppendPngChunk(png, "IDAT", zlib);
    AppendPngChunk(png, "IEND", {});
    return png;
}

/// A picture as a PNG file of width x height pixels: a colour gradient.
inline std::vector<uint8_t> MakePng(uint32_t width, uint32_t height) {
    std::vector<uint8_t> raw; // each row: filter 0, then RGB
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        for (uint32_t x = 0; x < width; ++x) {
            raw.push_back(static_cast<uint8_t>(255 * x / width));
            raw.push_back(static_cast<uint8_t>(255 * y / height));
            raw.push_back(160);
        }
    }
    return MakePngFile(width, height, 2, {}, raw);
}

/// An indexed-colour PNG of width x height pixels whose every pixel is palette entry 2, the
/// colour given (0xRRGGBB); entries 0 and 1 are black, 3 white.
inline std::vector<uint8_t> MakeIndexedPng(uint32_t width, uint32_t height, uint32_t colour) {
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), width, 2);
    }
    const std::vector<uint8_t> palette = {0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          static_cast<uint8_t>(colour >> 16),
                                          static_cast<uint8_t>(colour >> 8),
                                          static_cast<uint8_t>(colour),
                                          255,
                                          255,
                                          255};
    return MakePngFile(width, height, 3, palette, raw);
}

/// The 13-byte block that names a story (release, serial, checksum, and a PC of 0), as a
/// resource file's IFhd holds it.
inline std::vector<uint8_t> StoryHeaderBlock(const std::vector<uint8_t>& story) {
    std::vector<uint8_t> block(story.begin() + 2, story.begin() + 4);
    block.insert(block.end(), story.begin() + 0x12, story.begin() + 0x18);
    block.insert(block.end(), story.begin() + 0x1C, story.begin() + 0x1E);
    block.insert(block.end(), {0, 0, 0});
    return block;
}

} // namespace lantern::test
