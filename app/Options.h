#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lantern {

/// The command line: lantern [--console] [--standard] [--sound] [--trace[=FILE]] [--seed N]
/// [--width COLS --height ROWS] [STORY], --json [--standard] [--seed N] STORY, --info STORY,
/// --help, --version.
struct Options {
    bool console = false;
    /// Played by a program: JSON requests on standard input, JSON replies on standard output.
    bool json = false;
    /// Play the complete Z-machine (saving, restoring, undo) instead of the default behaviour.
    bool standard = false;
    /// Play the story's sounds (under --standard) also when the game is not played in a
    /// terminal (a scripted run); a terminal game plays them anyway.
    bool sound = false;
    bool help = false;
    bool version = false;
    /// Print what the story is and says about itself instead of playing it.
    bool info = false;
    /// Set when tracing was asked for: the trace file's path.
    std::optional<std::string> traceFile;
    std::optional<uint64_t> seed;
    int width = 0;  ///< console columns (0: the terminal's, or 80)
    int height = 0; ///< console rows (0: the terminal's, or 24)
    std::string story;
};

/// Parses the arguments; on a mistake returns nothing and says why in error.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

/// The usage text for --help.
std::string UsageText();

/// The trace file used when --trace names none: "rivorizadump.txt" in the executable's folder.
std::string DefaultTracePath();
/// For a program that `lantern` started in place of itself: a default trace goes beside
/// `lantern` (launcher, the first argument, which names it), not beside this program.
void TraceBesideLauncher(Options& options, const char* launcher);

} // namespace lantern
