#pragma once

#include "memory/StoryImage.h"

#include <cstddef>
#include <cstdint>

namespace lantern {

/// Loads arbitrary bytes as a story file (bare, or a Blorb with its record) and plays it for a
/// bounded number of instructions, typing a fixed script of keys whenever it waits. Bytes of an
/// IFF file of type IFZS are restored as a saved game instead, and bytes that start with a
/// printable character (which no story does) are played back as a file of commands, both by
/// FuzzFileStory; bytes that start with "[" are read as the window's settings file, and what
/// is written of those settings must read back the same. Whatever the bytes, this must return
/// normally: a refused file or a story fault is an answer, a crash or sanitizer report a bug.
/// Returns the number of instructions run.
long PlayFuzzStory(const uint8_t* data, size_t size);

/// A small story of the complete machine that restores a saved game, plays back commands from
/// a file, and then reads lines and saves in a loop.
StoryImage FuzzFileStory();

} // namespace lantern
