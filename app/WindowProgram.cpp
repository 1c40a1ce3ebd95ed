// The window front-end's program. `lantern` starts it (in place of itself, on the same command
// line) when a window is wanted; it is the only program that loads Qt.
#include "Options.h"
#include "StopSignals.h"
#include "text/CharMap.h"
#include "window/WindowMain.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    // A write past the file size limit (ulimit -f) fails as a write to a full disk does, and is
    // reported so, rather than ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string error;
    auto options = lantern::ParseOptions(argc, argv, error);
    if (!options) {
        // The mistake may quote an argument: nothing of it steers the terminal.
        std::fprintf(stderr, "lantern: %s\n%s", lantern::PrintableText(error).c_str(),
                     lantern::UsageText().c_str());
        return 2;
    }
    lantern::TraceBesideLauncher(*options, argv[0]);
    const int status = lantern::RunWindow(argc, argv, *options);
    lantern::EndByStopSignal();
    return status;
}
