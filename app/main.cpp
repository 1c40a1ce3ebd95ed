#include "Options.h"
#include "StopSignals.h"
#include "console/ConsoleMain.h"
#include "window/WindowMain.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Whether a window can be opened here: a Qt platform chosen explicitly, a Wayland display, or
// an X display (a local one only when its socket exists, since Qt gives up the program when it
// cannot reach the display).
bool HaveDisplay() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (set("QT_QPA_PLATFORM") || set("WAYLAND_DISPLAY"))
        return true;
    if (!set("DISPLAY"))
        return false;
    const std::string display = std::getenv("DISPLAY");
    if (display.front() != ':')
        return true; // a remote display: let Qt try
    const std::string number = display.substr(1, display.find('.') - 1);
    return std::filesystem::exists("/tmp/.X11-unix/X" + number);
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = lantern::ParseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "lantern: %s\n%s", error.c_str(), lantern::UsageText().c_str());
        return 2;
    }
    if (options->help || options->version) {
        if (options->help)
            std::fputs(lantern::UsageText().c_str(), stdout);
        else
            std::printf("lantern %s\n", LANTERN_VERSION);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::perror("lantern: cannot write to standard output");
            return 4;
        }
        return 0;
    }
    if (options->console || !HaveDisplay()) {
        if (options->story.empty()) {
            std::fprintf(stderr, "lantern: console mode needs a STORY\n%s",
                         lantern::UsageText().c_str());
            return 2;
        }
        const int status = lantern::RunConsole(*options);
        lantern::EndByStopSignal();
        return status;
    }
    const int status = lantern::RunWindow(argc, argv, *options);
    lantern::EndByStopSignal();
    return status;
}
