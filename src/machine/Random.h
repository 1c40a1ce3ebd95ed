#pragma once

#include <cstdint>
#include <optional>

namespace lantern {

/// The generator behind RANDOM: uniform, restartable from a seed, so that a negative RANDOM
/// operand (and --seed) gives a reproducible sequence.
class Random {
  public:
    /// With a fixed seed every run is reproducible, reseeds from the clock included.
    explicit Random(std::optional<uint64_t> fixedSeed = std::nullopt);

    /// Restarts the sequence from seed.
    void Seed(uint64_t seed);
    /// Reseeds unpredictably (from the clock), or from the fixed seed's own stream.
    void SeedFromClock();
    /// A uniform number in 1..range; range must be positive.
    int32_t Next(int32_t range);

    /// Where the sequences stand, to be put back (a program's snapshot of a game).
    struct State {
        uint64_t Current = 0;
        uint64_t Reseed = 0;
    };
    State GetState() const { return {m_state, m_reseedState}; }
    void SetState(State state) {
        m_state = state.Current;
        m_reseedState = state.Reseed;
    }

  private:
    uint64_t NextBits();

    uint64_t m_state = 0;
    std::optional<uint64_t> m_fixedSeed;
    uint64_t m_reseedState = 0;
};

} // namespace lantern
