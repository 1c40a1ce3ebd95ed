#include "window/WindowMain.h"

#include <cstdio>

namespace lantern {

// Placeholder until the window lands.
int RunWindow(int, char**, const Options&) {
    std::fprintf(stderr, "lantern: the window is not available yet; use --console\n");
    return 1;
}

} // namespace lantern
