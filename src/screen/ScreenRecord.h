#pragma once

#include "platform/Surface.h"

#include <climits>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// Colours as the screen's record keeps them: an RGB colour, or one of these two, which stand
/// for the default text and background colours, whatever the player has chosen them to be.
inline constexpr Colour kDefaultForeInk = 0x1000000;
inline constexpr Colour kDefaultBackInk = 0x2000000;

/// How text looks: the story's style bits and font, and its colours as the story set them
/// (reverse video swaps them only where the text is drawn).
struct Appearance {
    uint8_t Style = 0;
    uint8_t Font = 1;
    Colour Fore = kDefaultForeInk;
    Colour Back = kDefaultBackInk;
    bool operator==(const Appearance&) const = default;
};

/// One character cell of a window of cells: its character (in font 3 the glyph's code, as
/// ASCII) and its look.
struct TextCell {
    char32_t Ch = U' ';
    Appearance Look;
    bool operator==(const TextCell&) const = default;
};

/// A row of cells; the cells past its end are blank in its trailing look.
struct CellRow {
    std::vector<TextCell> Cells;
    Appearance Trail;
    bool operator==(const CellRow&) const = default;
};

/// The text of a window of cells (the upper window) as it stands, cell by cell with each
/// cell's look. A row keeps its cells beyond the width the window has now, until the story
/// overwrites or erases them, so that a window made narrower and wider again shows them again.
class CellGrid {
  public:
    /// Every row blank in `blank`.
    void Clear(const Appearance& blank);
    /// Keeps `rows` rows: rows past them are dropped, new ones are blank.
    void SetRows(int rows);
    /// Characters from (row, column) on, one cell each.
    void Put(int row, int column, std::u32string_view characters, const Appearance& look);
    /// Blanks the cells of a row from `from` up to `to` (INT_MAX: the whole rest of the row,
    /// also the cells kept beyond the window's width).
    void Erase(int row, int from, int to, const Appearance& blank);
    const std::vector<CellRow>& Rows() const { return m_rows; }
    void SetRowsFrom(std::vector<CellRow> rows) { m_rows = std::move(rows); }
    const Appearance& Blank() const { return m_blank; }

  private:
    std::vector<CellRow> m_rows;
    Appearance m_blank;
};

/// Text in one look, as the window draws it (UTF-8; font 3 keeps its codes as ASCII). Text
/// output drew it word by word, each word with its space.
struct StyledRun {
    Appearance Look;
    std::string Text;
    bool operator==(const StyledRun&) const = default;
};

/// Text between two line breaks, with the background of its lines.
struct Paragraph {
    std::vector<StyledRun> Runs;
    Colour Fill = kDefaultBackInk;
    bool operator==(const Paragraph&) const = default;
    size_t Bytes() const;
};

/// The text of a scrolling window (the lower window) as paragraphs, so that it can be wrapped
/// again at any width the way terminal emulators reflow their lines. The last paragraph is the
/// one the cursor stands at the end of. It keeps at most kMaxParagraphs paragraphs and about
/// kMaxBytes of text, dropping the oldest.
class TextFlow {
  public:
    static constexpr size_t kMaxParagraphs = 400;
    static constexpr size_t kMaxBytes = 256 * 1024;

    TextFlow() { Clear(kDefaultBackInk); }
    /// Nothing but an empty paragraph on lines of `fill`.
    void Clear(Colour fill);
    /// Adds text to the last paragraph.
    void Append(std::string_view text, const Appearance& look);
    /// A line break: the next paragraph starts, on lines of `fill`.
    void Break(Colour fill);
    /// The last paragraph goes on on a new line (it was wrapped).
    void AddWrap() { ++m_lines.back(); }
    /// The lines paragraph `index` takes as it stands, wrapped at the window's width.
    void SetLines(size_t index, int lines) { m_lines[index] = lines; }
    /// Rubs out the last `characters` characters of the last paragraph.
    void DropLast(size_t characters);
    /// Whether more is kept than the limits allow: the caller drops the first paragraph.
    bool OverLimits() const {
        return m_paragraphs.size() > kMaxParagraphs ||
               (m_bytes > kMaxBytes && m_paragraphs.size() > 1);
    }
    /// Drops the first paragraph; gives the lines it took.
    int DropFirst();
    const std::deque<Paragraph>& Paragraphs() const { return m_paragraphs; }
    void SetParagraphs(std::deque<Paragraph> paragraphs);

  private:
    std::deque<Paragraph> m_paragraphs;
    std::deque<int> m_lines; ///< the lines each paragraph takes
    size_t m_bytes = 0;      ///< of all paragraphs
    size_t m_lastBytes = 0;  ///< of the last one
};

} // namespace lantern
