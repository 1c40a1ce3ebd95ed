#pragma once

// Sounds of our own for the tests, made in memory: an AIFF sample (a tone) and a tracker module
// (one short pattern). tests/tools/MakeBlorb.cpp adds Ogg Vorbis music, which needs an encoder.
#include "files/Iff.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace lantern::test {

/// The data of an AIFF sound's FORM chunk (its type "AIFF", then COMM and SSND): a tone of hz
/// for ms milliseconds, mono, 8-bit signed at rate samples a second, as the sounds of 1987 were.
/// frames, when not 0, is the frame count COMM claims (more than there are: a truncated sound).
inline std::vector<uint8_t> MakeAiff(double hz, int ms, int rate = 11025, uint32_t frames = 0) {
    const auto count = static_cast<uint32_t>(static_cast<int64_t>(rate) * ms / 1000);
    std::vector<uint8_t> comm;
    PutBigEndian(comm, 1, 2); // channels
    PutBigEndian(comm, frames != 0 ? frames : count, 4);
    PutBigEndian(comm, 8, 2); // bits
    // The rate as an 80-bit extended float: exponent, then the mantissa with its integer bit.
    int exponent = 0;
    const double mantissa = std::frexp(static_cast<double>(rate), &exponent);
    PutBigEndian(comm, static_cast<uint32_t>(16383 + exponent - 1), 2);
    const auto bits = static_cast<uint64_t>(std::ldexp(mantissa, 64));
    PutBigEndian(comm, static_cast<uint32_t>(bits >> 32), 4);
    PutBigEndian(comm, static_cast<uint32_t>(bits), 4);
    std::vector<uint8_t> ssnd(8, 0); // offset and block size
    for (uint32_t i = 0; i < count; ++i) {
        const double value = 100 * std::sin(2 * std::numbers::pi * hz * i / rate);
        ssnd.push_back(static_cast<uint8_t>(static_cast<int8_t>(std::lround(value))));
    }
    std::vector<uint8_t> form{'A', 'I', 'F', 'F'};
    PutChunk(form, "COMM", comm);
    PutChunk(form, "SSND", ssnd);
    return form;
}

/// A ProTracker module ("M.K.", four channels): one pattern of rows notes, a looped square
/// wave on channel 1, at 3 ticks a row (a row lasts 60 ms), then the song ends.
inline std::vector<uint8_t> MakeMod(int rows = 4) {
    std::vector<uint8_t> mod(20, 0); // title
    const std::string title = "lantern test";
    std::copy(title.begin(), title.end(), mod.begin());
    constexpr uint32_t kSampleWords = 16;
    for (int sample = 1; sample <= 31; ++sample) {
        std::vector<uint8_t> header(22, 0);
        PutBigEndian(header, sample == 1 ? kSampleWords : 0, 2); // length in words
        header.push_back(0);                                     // finetune
        header.push_back(sample == 1 ? 64 : 0);                  // volume
        PutBigEndian(header, 0, 2);                              // loop start
        PutBigEndian(header, sample == 1 ? kSampleWords : 1, 2); // loop length
        mod.insert(mod.end(), header.begin(), header.end());
    }
    mod.push_back(1);   // positions
    mod.push_back(127); // restart
    std::vector<uint8_t> order(128, 0);
    mod.insert(mod.end(), order.begin(), order.end());
    mod.insert(mod.end(), {'M', '.', 'K', '.'});
    std::vector<uint8_t> pattern(64 * 4 * 4, 0);
    auto cell = [&](int row, int channel) { return pattern.begin() + (row * 4 + channel) * 4; };
    for (int row = 0; row < rows; ++row) {
        auto note = cell(row, 0);
        constexpr int kPeriod = 428;                  // C-2
        note[0] = static_cast<uint8_t>(kPeriod >> 8); // sample 1: high nibble 0
        note[1] = static_cast<uint8_t>(kPeriod & 0xFF);
        note[2] = 0x10; // sample 1's low nibble, no effect
    }
    // Speed 3 on the first row; the last row breaks to the end of the song.
    cell(0, 1)[2] = 0x0F;
    cell(0, 1)[3] = 3;
    cell(rows - 1, 1)[2] = 0x0D;
    mod.insert(mod.end(), pattern.begin(), pattern.end());
    for (uint32_t i = 0; i < 2 * kSampleWords; ++i)
        mod.push_back(i < kSampleWords ? 0x60 : 0xA0);
    return mod;
}

} // namespace lantern::test
