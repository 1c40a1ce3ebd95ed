#pragma once

#include "Options.h"

namespace lantern {

/// `lantern --json`: plays options.story for a program through the JSON-lines protocol (see
/// JsonProtocol) on standard input and output; nothing else is written to standard output.
/// Returns the exit status: 0 when the requests ended or asked to quit, 1 when the story
/// could not be loaded, 4 when standard output could not be written.
int RunJson(const Options& options);

} // namespace lantern
