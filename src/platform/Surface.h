#pragma once

#include <cstdint>
#include <string_view>

namespace lantern {

/// A colour as 0xRRGGBB.
using Colour = uint32_t;

constexpr Colour Rgb(int red, int green, int blue) {
    return (static_cast<Colour>(red & 0xFF) << 16) | (static_cast<Colour>(green & 0xFF) << 8) |
           static_cast<Colour>(blue & 0xFF);
}

struct TextExtent {
    int width = 0;
    int height = 0;
};

/// The drawing operations the screen model needs. Coordinates are pixels (cells on a character
/// grid) from the top-left corner; rectangles include left/top and exclude right/bottom.
/// Every operation clips to the surface: nothing is ever drawn or copied outside it.
class Surface {
public:
    virtual ~Surface() = default;

    /// The drawable size.
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    /// Selects the font for later measuring and drawing: fixed or variable pitch, bold, italic.
    virtual void SelectFont(bool fixedPitch, bool bold, bool italic) = 0;
    /// The extent of text in the selected font.
    virtual TextExtent MeasureText(std::string_view text) = 0;
    /// Draws text with its top-left corner at (x, y), the background filled opaquely, in the
    /// current text and background colours. Text is 8-bit characters (Latin-1).
    virtual void DrawText(int x, int y, std::string_view text) = 0;

    virtual void SetTextColour(Colour colour) = 0;
    virtual Colour TextColour() const = 0;
    virtual void SetBackColour(Colour colour) = 0;
    virtual Colour BackColour() const = 0;

    /// Fills the rectangle with colour.
    virtual void FillRect(int left, int top, int right, int bottom, Colour colour) = 0;
    /// Copies the block of width x height at (srcX, srcY) to (dstX, dstY).
    virtual void CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) = 0;
    /// Asks the front-end to show the rectangle again (a no-op where nothing is shown).
    virtual void Invalidate(int left, int top, int right, int bottom) = 0;
};

} // namespace lantern
