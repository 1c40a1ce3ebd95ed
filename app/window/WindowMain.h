#pragma once

#include "Options.h"

namespace lantern {

/// Opens the window (Form1) and runs the Qt event loop until it closes. With options.story set,
/// that game starts at once, as if "Run Game" were pressed and the file chosen.
int RunWindow(int argc, char** argv, const Options& options);

} // namespace lantern
