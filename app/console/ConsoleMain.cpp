#include "console/ConsoleMain.h"

#include <cstdio>

namespace lantern {

// Placeholder until console mode lands.
int RunConsole(const Options&) {
    std::fprintf(stderr, "lantern: console mode is not available yet\n");
    return 1;
}

} // namespace lantern
