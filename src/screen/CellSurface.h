#pragma once

#include "platform/Surface.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lantern {

/// A grid of character cells: every character is one cell wide and one high. Console mode
/// draws it on a terminal; tests read it back.
class CellSurface : public Surface {
  public:
    /// What one cell holds.
    struct Cell {
        char32_t ch = U' '; ///< a Unicode character
        Colour text = 0;
        Colour back = 0;
        bool bold = false;
        bool italic = false;
        bool fixed = false;
        bool operator==(const Cell&) const = default;
    };

    /// The starting colours: black text on white.
    static constexpr Colour kDefaultText = Rgb(0, 0, 0);
    static constexpr Colour kDefaultBack = Rgb(255, 255, 255);

    CellSurface(int columns, int rows);

    /// Changes the size, keeping what fits; new cells are blank in the background colour.
    void Resize(int columns, int rows) { Resize(columns, rows, m_backColour); }

    /// The cell at (x, y); throws std::out_of_range off the grid.
    const Cell& CellAt(int x, int y) const;
    /// The characters of row y as UTF-8 (the whole width, trailing blanks included).
    std::string RowText(int y) const;
    /// Row y without its trailing blanks.
    std::string RowTextTrimmed(int y) const;

    /// The union of the rectangles invalidated since the last ClearDirty, if any.
    const std::optional<Rect>& DirtyRect() const { return m_dirty; }
    bool IsDirty() const { return m_dirty.has_value(); }
    void ClearDirty() { m_dirty.reset(); }
    /// Called with every invalidated rectangle (already clipped to the grid).
    void SetInvalidateHandler(std::function<void(const Rect&)> handler) {
        m_onInvalidate = std::move(handler);
    }

    /// The selected font, as (fixed pitch, bold, italic).
    bool FontFixed() const { return m_fixed; }
    bool FontBold() const { return m_bold; }
    bool FontItalic() const { return m_italic; }

    int Width() const override { return m_columns; }
    int Height() const override { return m_rows; }
    void SelectFont(bool fixedPitch, bool bold, bool italic) override;
    TextExtent MeasureText(std::string_view text) override;
    void DrawText(int x, int y, std::string_view text) override;
    void SetTextColour(Colour colour) override { m_textColour = colour; }
    Colour TextColour() const override { return m_textColour; }
    void SetBackColour(Colour colour) override { m_backColour = colour; }
    Colour BackColour() const override { return m_backColour; }
    void FillRect(int left, int top, int right, int bottom, Colour colour) override;
    void CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) override;
    void Invalidate(int left, int top, int right, int bottom) override;
    void Resize(int columns, int rows, Colour fill) override;
    std::vector<TextRun> TextIn(const Rect& area) const override;
    void SetTextClip(std::optional<Rect> clip) override { m_textClip = clip; }
    /// A cell's background colour.
    std::optional<Colour> PixelAt(int x, int y) const override;

  private:
    Cell& At(int x, int y) { return m_cells[RowStart(y) + static_cast<size_t>(x)]; }
    size_t RowStart(int y) const {
        return static_cast<size_t>(m_rowAt[static_cast<size_t>(y)]) * static_cast<size_t>(m_columns);
    }
    Cell Blank(Colour back) const;

    int m_columns = 0;
    int m_rows = 0;
    std::vector<Cell> m_cells;
    /// Where each row lies in m_cells: rows that scroll change places instead of being copied.
    std::vector<int> m_rowAt;
    Colour m_textColour = kDefaultText;
    Colour m_backColour = kDefaultBack;
    bool m_fixed = false;
    bool m_bold = false;
    bool m_italic = false;
    std::optional<Rect> m_dirty;
    std::optional<Rect> m_textClip;
    std::function<void(const Rect&)> m_onInvalidate;
};

} // namespace lantern
