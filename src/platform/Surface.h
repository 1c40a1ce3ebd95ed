#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

/// A rectangle that includes left/top and excludes right/bottom.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

/// The part of a rectangle that lies on a surface of width x height; nothing when none does.
/// Takes 64-bit edges so that callers may pass sums that overflow an int.
inline std::optional<Rect> ClipRect(int64_t left, int64_t top, int64_t right, int64_t bottom,
                                    int width, int height) {
    left = std::max<int64_t>(left, 0);
    top = std::max<int64_t>(top, 0);
    right = std::min<int64_t>(right, width);
    bottom = std::min<int64_t>(bottom, height);
    if (right <= left || bottom <= top)
        return std::nullopt;
    return Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                static_cast<int>(bottom)};
}

/// Text standing on a surface: where it starts across, and its characters (UTF-8).
struct TextRun {
    int x = 0;
    std::string text;
};

/// A block copy whose source and destination both lie wholly on the surface.
struct BlockCopy {
    int srcX = 0;
    int srcY = 0;
    int width = 0;
    int height = 0;
    int dstX = 0;
    int dstY = 0;
};

/// Trims a block copy to the pixels whose source and destination both lie on a surface of
/// width x height; nothing when no pixel does.
inline std::optional<BlockCopy> ClipBlockCopy(int64_t srcX, int64_t srcY, int64_t blockWidth,
                                              int64_t blockHeight, int64_t dstX, int64_t dstY,
                                              int width, int height) {
    // Trim one axis: the start of either side below 0 or its end past the limit.
    auto trim = [](int64_t& src, int64_t& dst, int64_t& length, int64_t limit) {
        const int64_t lowest = std::min(src, dst);
        if (lowest < 0) {
            src -= lowest;
            dst -= lowest;
            length += lowest;
        }
        const int64_t highest = std::max(src, dst);
        if (highest + length > limit)
            length = limit - highest;
        return length > 0;
    };
    if (!trim(srcX, dstX, blockWidth, width) || !trim(srcY, dstY, blockHeight, height))
        return std::nullopt;
    return BlockCopy{static_cast<int>(srcX),       static_cast<int>(srcY),
                     static_cast<int>(blockWidth), static_cast<int>(blockHeight),
                     static_cast<int>(dstX),       static_cast<int>(dstY)};
}

/// Calls copyRow(row) for every row of a block copy, in the order that reads each source row
/// before it is overwritten (rows move up: top first; down: bottom first).
template <typename CopyRow> void ForEachRowInCopyOrder(const BlockCopy& block, CopyRow copyRow) {
    if (block.dstY <= block.srcY) {
        for (int row = 0; row < block.height; ++row)
            copyRow(row);
    } else {
        for (int row = block.height - 1; row >= 0; --row)
            copyRow(row);
    }
}

/// A picture for Surface::DrawPicture: an image file and where its scaled image goes.
struct PictureDraw {
    uint64_t Key = 0;  ///< names the picture for good: the same key, the same image file
    bool Jpeg = false; ///< a JPEG file, else a PNG
    std::span<const uint8_t> Bytes;
    /// Drawn with the colours of the last picture drawn that is not adaptive, in place of
    /// those of its own palette (entries 2 to 15).
    bool Adaptive = false;
    Rect Target; ///< the scaled picture's place (it may lie partly off the surface)
    Rect Clip;   ///< the part of the surface it may cover
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
    /// The extent of text (UTF-8) in the selected font.
    virtual TextExtent MeasureText(std::string_view text) = 0;
    /// Draws text with its top-left corner at (x, y), the background filled opaquely, in the
    /// current text and background colours. Text is UTF-8; a byte that starts no valid
    /// sequence stands for the Latin-1 character of that code.
    virtual void DrawText(int x, int y, std::string_view text) = 0;

    /// Draws glyphs of font 3, the character graphics (one code from 32 to 126 a byte), each in
    /// a cell of `cell` from (x, y) on, in the current text and background colours. A surface
    /// that has no glyphs of its own returns false and draws nothing; the screen then draws the
    /// Unicode characters nearest to them.
    virtual bool DrawGraphics(int x, int y, std::string_view codes, TextExtent cell) {
        (void)x;
        (void)y;
        (void)codes;
        (void)cell;
        return false;
    }

    virtual void SetTextColour(Colour colour) = 0;
    virtual Colour TextColour() const = 0;
    virtual void SetBackColour(Colour colour) = 0;
    virtual Colour BackColour() const = 0;

    /// Fills the rectangle with colour.
    virtual void FillRect(int left, int top, int right, int bottom, Colour colour) = 0;
    /// Copies the block of width x height at (srcX, srcY) to (dstX, dstY); overlapping source
    /// and destination are allowed.
    virtual void CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) = 0;
    /// Asks the front-end to show the rectangle again (a no-op where nothing is shown).
    virtual void Invalidate(int left, int top, int right, int bottom) = 0;

    /// Whether the surface keeps a history of the lines that scrolled away (the rows that a
    /// block copy moving rows up pushed off); the screen then gives it the lines that a new
    /// layout of the lower window's text puts above the screen.
    virtual bool KeepsHistory() const { return false; }
    /// Adds the rows of `area` as they stand to the history, as if they had scrolled away.
    virtual void AddToHistory(const Rect& area) { (void)area; }
    /// Forgets the newest `lines` lines of the history, which a new layout replaces.
    virtual void DropHistory(int lines) { (void)lines; }

    /// Changes the drawable size, keeping what still fits; new pixels are filled with fill.
    virtual void Resize(int width, int height, Colour fill) = 0;
    /// Limits the text drawn from now on to a rectangle; nothing lifts the limit. (Version 6
    /// clips a window's text to the window.)
    virtual void SetTextClip(std::optional<Rect> clip) { (void)clip; }
    /// Whether DrawPicture shows pictures; a surface that does not draws none.
    virtual bool DrawsPictures() const { return false; }
    /// Draws a picture scaled to its target, clipped; a picture that cannot be decoded draws
    /// nothing.
    virtual void DrawPicture(const PictureDraw& picture) { (void)picture; }
    /// The colour of the pixel at (x, y), when the surface knows it.
    virtual std::optional<Colour> PixelAt(int x, int y) const {
        (void)x;
        (void)y;
        return std::nullopt;
    }
    /// The text standing in an area (the characters whose middles lie in it), in runs from the
    /// left. A surface that keeps no text gives none.
    virtual std::vector<TextRun> TextIn(const Rect& area) const {
        (void)area;
        return {};
    }
};

} // namespace lantern
