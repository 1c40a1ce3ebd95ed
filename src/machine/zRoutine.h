#pragma once

#include <array>
#include <cstdint>

namespace lantern {

/// Most locals a routine may declare.
inline constexpr int kMaxLocals = 15;

/// One routine frame. A fresh frame has every field 0.
struct zRoutine {
    int32_t FramePointer = 0;  ///< StackPointer when the routine was entered
    int32_t ReturnAddress = 0; ///< where the caller continues
    int32_t ArgCount = 0;      ///< arguments passed
    int32_t LocalCount = 0;    ///< locals declared, 0..15
    int32_t StoreVar = 0;      ///< variable receiving the result, -1 for none
    bool EndsGame = false; ///< returning from this frame ends the game (the version 6 main routine)
    /// Locals 1..15 at indices 1..15 (index 0 holds no variable); held as 16-bit patterns.
    std::array<int32_t, kMaxLocals + 1> Locals{};
};

} // namespace lantern
