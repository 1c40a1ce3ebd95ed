#include "Options.h"
#include "console/ConsoleMain.h"
#include "window/WindowMain.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Whether a window can be opened here: a display, or a Qt platform chosen explicitly.
bool HaveDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = lantern::ParseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "lantern: %s\n%s", error.c_str(), lantern::UsageText().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(lantern::UsageText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("lantern %s\n", LANTERN_VERSION);
        return 0;
    }
    if (options->console || !HaveDisplay()) {
        if (options->story.empty()) {
            std::fprintf(stderr, "lantern: console mode needs a STORY\n%s",
                         lantern::UsageText().c_str());
            return 2;
        }
        return lantern::RunConsole(*options);
    }
    return lantern::RunWindow(argc, argv, *options);
}
