#pragma once

#include <cstddef>
#include <cstdint>

namespace lantern {

/// Loads arbitrary bytes as a story file (bare, or a Blorb with its record) and plays it for a bounded number of instructions,
/// typing a fixed script of keys whenever it waits. Whatever the bytes, this must return
/// normally: a refused file or a story fault is an answer, a crash or sanitizer report a bug.
/// Returns the number of instructions run.
long PlayFuzzStory(const uint8_t* data, size_t size);

} // namespace lantern
