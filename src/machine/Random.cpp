#include "machine/Random.h"

#include <chrono>

namespace lantern {

namespace {

// splitmix64: a well-mixed 64-bit step, good enough for games and cheap.
uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

Random::Random(std::optional<uint64_t> fixedSeed) : m_fixedSeed(fixedSeed) {
    if (fixedSeed) {
        m_reseedState = *fixedSeed;
        Seed(*fixedSeed);
    } else {
        SeedFromClock();
    }
}

void Random::Seed(uint64_t seed) {
    m_state = seed;
}

void Random::SeedFromClock() {
    if (m_fixedSeed) {
        Seed(SplitMix(m_reseedState));
        return;
    }
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    Seed(static_cast<uint64_t>(now));
}

uint64_t Random::NextBits() {
    return SplitMix(m_state);
}

int32_t Random::Next(int32_t range) {
    // Multiply-shift maps 32 random bits onto 0..range-1 with negligible bias for range < 2^15.
    const uint64_t bits = NextBits() >> 32;
    return static_cast<int32_t>((bits * static_cast<uint64_t>(range)) >> 32) + 1;
}

} // namespace lantern
