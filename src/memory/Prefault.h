#pragma once

#include <cstddef>

namespace lantern {

/// Asks the system to map the pages of memory that is about to be filled, in one request.
/// Taking them one fault at a time costs more than filling them, above all in a virtual
/// machine, and a story's start fills the story image twice and the instruction table. Does
/// nothing where the system cannot do it.
void Prefault(void* memory, size_t bytes);

} // namespace lantern
