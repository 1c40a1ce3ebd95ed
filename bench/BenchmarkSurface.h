#pragma once

#include "machine/zMachine.h"
#include "platform/Surface.h"

#include <memory>

namespace lantern {

/// The drawing surface a benchmark plays on, and the screen model laid out on it as its
/// front-end lays it out.
class BenchmarkSurface {
  public:
    virtual ~BenchmarkSurface() = default;
    virtual Surface& Get() = 0;
    virtual void Prepare(zMachine& machine) = 0;
};

/// The surface of this benchmark program (the character cells of console mode, or the window's
/// image); made once per round.
std::unique_ptr<BenchmarkSurface> MakeBenchmarkSurface();

} // namespace lantern
