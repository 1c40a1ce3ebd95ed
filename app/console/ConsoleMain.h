#pragma once

#include "Options.h"

namespace lantern {

/// Plays options.story in the terminal, or as a scriptable transcript when standard input is
/// not a terminal. Returns the process exit status: 0 when the story quit or the input ended,
/// non-zero after a load failure or a story fault.
int RunConsole(const Options& options);

} // namespace lantern
