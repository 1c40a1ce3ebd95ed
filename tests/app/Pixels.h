#pragma once

#include "window/QtSurface.h"

namespace lantern::test {

/// The colour of one pixel of the surface's image.
inline Colour PixelAt(const QtSurface& surface, int x, int y) {
    return static_cast<Colour>(surface.Image().pixel(x, y)) & 0xFFFFFFu;
}

/// How many pixels of the rectangle have the colour.
inline int CountColour(const QtSurface& surface, const Rect& area, Colour colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += PixelAt(surface, x, y) == colour ? 1 : 0;
    return count;
}

} // namespace lantern::test
