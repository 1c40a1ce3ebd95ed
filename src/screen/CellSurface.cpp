#include "screen/CellSurface.h"

#include "text/CharMap.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace lantern {

CellSurface::CellSurface(int columns, int rows) {
    Resize(columns, rows);
}

CellSurface::Cell CellSurface::Blank(Colour back) const {
    Cell cell;
    cell.text = m_textColour;
    cell.back = back;
    return cell;
}

void CellSurface::Resize(int columns, int rows, Colour fill) {
    columns = std::max(columns, 0);
    rows = std::max(rows, 0);
    std::vector<Cell> cells(static_cast<size_t>(columns) * rows, Blank(fill));
    for (int y = 0; y < std::min(rows, m_rows); ++y)
        for (int x = 0; x < std::min(columns, m_columns); ++x)
            cells[static_cast<size_t>(y) * columns + x] = At(x, y);
    m_cells = std::move(cells);
    m_columns = columns;
    m_rows = rows;
    m_rowAt.resize(static_cast<size_t>(rows));
    std::iota(m_rowAt.begin(), m_rowAt.end(), 0);
    // A resized grid must be drawn again as a whole.
    if (columns > 0 && rows > 0)
        Invalidate(0, 0, columns, rows);
    else
        m_dirty.reset();
}

const CellSurface::Cell& CellSurface::CellAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_columns || y >= m_rows)
        throw std::out_of_range("cell outside the grid");
    return m_cells[RowStart(y) + static_cast<size_t>(x)];
}

std::string CellSurface::RowText(int y) const {
    std::string text;
    text.reserve(static_cast<size_t>(m_columns));
    for (int x = 0; x < m_columns; ++x)
        AppendUtf8(text, CellAt(x, y).ch);
    return text;
}

std::string CellSurface::RowTextTrimmed(int y) const {
    std::string text = RowText(y);
    const size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::vector<TextRun> CellSurface::TextIn(const Rect& area) const {
    const auto clipped = ClipRect(area.left, area.top, area.right, area.bottom, m_columns, m_rows);
    std::vector<TextRun> runs;
    if (!clipped)
        return runs;
    // One run per row: every cell holds a character, blanks included.
    for (int y = clipped->top; y < clipped->bottom; ++y) {
        TextRun run{clipped->left, {}};
        for (int x = clipped->left; x < clipped->right; ++x)
            AppendUtf8(run.text, CellAt(x, y).ch);
        runs.push_back(std::move(run));
    }
    return runs;
}

void CellSurface::SelectFont(bool fixedPitch, bool bold, bool italic) {
    m_fixed = fixedPitch;
    m_bold = bold;
    m_italic = italic;
}

TextExtent CellSurface::MeasureText(std::string_view text) {
    return {static_cast<int>(std::min<size_t>(Utf8Length(text), 0x7FFFFFFF)), 1};
}

void CellSurface::DrawText(int x, int y, std::string_view utf8) {
    // One cell per character, decoded as it is placed; plain ASCII, most text, is a character
    // a byte.
    const bool ascii = IsAscii(utf8);
    const size_t length = ascii ? utf8.size() : Utf8Length(utf8);
    const Rect bounds = m_textClip.value_or(Rect{0, 0, m_columns, m_rows});
    const auto area =
        ClipRect(std::max<int64_t>(x, bounds.left), std::max<int64_t>(y, bounds.top),
                 std::min(int64_t{x} + static_cast<int64_t>(length), int64_t{bounds.right}),
                 std::min(int64_t{y} + 1, int64_t{bounds.bottom}), m_columns, m_rows);
    if (!area)
        return;
    Cell drawn{U' ', m_textColour, m_backColour, m_bold, m_italic, m_fixed};
    Cell* cell = &At(area->left, y);
    if (ascii) {
        for (int cx = area->left; cx < area->right; ++cx) {
            drawn.ch = static_cast<unsigned char>(utf8[static_cast<size_t>(int64_t{cx} - x)]);
            *cell++ = drawn;
        }
        return;
    }
    size_t i = 0;
    for (int64_t cx = x; cx < area->left; ++cx)
        NextUtf8(utf8, i);
    for (int cx = area->left; cx < area->right; ++cx) {
        drawn.ch = NextUtf8(utf8, i);
        *cell++ = drawn;
    }
}

std::optional<Colour> CellSurface::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_columns || y >= m_rows)
        return std::nullopt;
    return CellAt(x, y).back;
}

void CellSurface::FillRect(int left, int top, int right, int bottom, Colour colour) {
    const auto area = ClipRect(left, top, right, bottom, m_columns, m_rows);
    if (!area)
        return;
    const Cell blank = Blank(colour);
    for (int y = area->top; y < area->bottom; ++y)
        std::fill(&At(area->left, y), &At(area->left, y) + (area->right - area->left), blank);
}

void CellSurface::CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) {
    const auto block = ClipBlockCopy(srcX, srcY, width, height, dstX, dstY, m_columns, m_rows);
    if (!block)
        return;
    const int up = block->srcY - block->dstY;
    if (block->srcX == 0 && block->dstX == 0 && block->width == m_columns && up > 0 &&
        up < block->height) {
        // Whole rows moving up (the lower window scrolling) change places: the rows from the
        // destination's top to the source's end turn round, and only the rows that the block
        // leaves below itself, which keep what they held, are copied back from their new
        // places.
        const auto first = m_rowAt.begin() + block->dstY;
        std::rotate(first, first + up, first + up + block->height);
        for (int row = block->dstY + block->height; row < block->srcY + block->height; ++row)
            std::copy_n(&At(0, row - up), m_columns, &At(0, row));
        return;
    }
    auto copyRow = [&](int row) {
        const Cell* from = &At(block->srcX, block->srcY + row);
        Cell* to = &At(block->dstX, block->dstY + row);
        if (to < from)
            std::copy(from, from + block->width, to);
        else
            std::copy_backward(from, from + block->width, to + block->width);
    };
    ForEachRowInCopyOrder(*block, copyRow);
}

void CellSurface::Invalidate(int left, int top, int right, int bottom) {
    const auto area = ClipRect(left, top, right, bottom, m_columns, m_rows);
    if (!area)
        return;
    if (m_dirty) {
        m_dirty->left = std::min(m_dirty->left, area->left);
        m_dirty->top = std::min(m_dirty->top, area->top);
        m_dirty->right = std::max(m_dirty->right, area->right);
        m_dirty->bottom = std::max(m_dirty->bottom, area->bottom);
    } else {
        m_dirty = area;
    }
    if (m_onInvalidate)
        m_onInvalidate(*area);
}

} // namespace lantern
