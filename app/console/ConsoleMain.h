#pragma once

#include "Options.h"
#include "platform/SoundDevice.h"

namespace lantern {

/// Plays options.story in the terminal, or as a scriptable transcript when standard input is
/// not a terminal. Returns the process exit status: 0 when the story quit or the input ended,
/// non-zero after a load failure or a story fault. Under --standard the story's sounds play on
/// sound, if given, in a terminal game, and in a scripted one when options.sound asks.
int RunConsole(const Options& options, SoundDevice* sound = nullptr);

/// `--info`: prints what options.story is and says about itself, one "Key: value" a line, without
/// playing it. Returns 0, 1 when the story cannot be loaded (with the reason on standard error)
/// or 4 when standard output cannot be written.
int PrintStoryInfo(const Options& options);

} // namespace lantern
