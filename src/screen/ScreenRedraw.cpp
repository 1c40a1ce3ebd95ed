// The screen drawn again from its record: the upper window's cells and the lower window's
// paragraphs, wrapped again at the width the screen has now, each piece in its own look.
#include "screen/zScreen.h"
#include "text/CharMap.h"

#include <algorithm>

namespace lantern {

void zScreen::ApplyLook(const Appearance& look, bool upper) {
    SelectFont((look.Style & kStyleFixed) != 0 || look.Font != kFontNormal || upper,
               (look.Style & kStyleBold) != 0, (look.Style & kStyleItalic) != 0);
    const Colour fore = Ink(look.Fore);
    const Colour back = Ink(look.Back);
    const bool reverse = (look.Style & kStyleReverse) != 0;
    m_surface->SetTextColour(reverse ? back : fore);
    m_surface->SetBackColour(reverse ? fore : back);
}

int zScreen::MeasureLook(std::string_view text, const Appearance& look, bool upper) {
    if (look.Font == kFontGraphics) {
        const int64_t width = int64_t{m_charWidth} * static_cast<int64_t>(Utf8Length(text));
        return static_cast<int>(std::min<int64_t>(width, INT32_MAX));
    }
    ApplyLook(look, upper);
    return m_surface->MeasureText(text).width;
}

void zScreen::RecordDrawn(int x, int y, std::string_view drawn) {
    if (m_currentWindow == 0) {
        m_lowerText.Append(drawn, CurrentLook());
        return;
    }
    // Text the upper window's cursor takes below its last line lies over the lower window,
    // which does not keep it.
    const int row = y / m_charHeight;
    if (m_windows[1].Top > 0 && row < m_windows[1].Height)
        m_upperText.Put(row, x / m_charWidth, DecodeUtf8(drawn), CurrentLook());
}

void zScreen::RecordBreak(bool scrolled) {
    // A line that scrolled in was filled in the background colour then; another shows what
    // the window was erased in.
    m_lowerText.Break(scrolled ? m_backInk : m_lowerFill);
    TrimRecord();
}

void zScreen::TrimRecord() {
    while (m_lowerText.OverLimits())
        m_linesInHistory = std::max(m_linesInHistory - m_lowerText.DropFirst(), 0);
}

std::vector<zScreen::LineStart> zScreen::Layout(size_t firstParagraph, size_t endParagraph,
                                                int width) {
    // As text output wraps: word by word with the space after each word, a word that does not
    // fit going to the next line unless it starts one.
    std::vector<LineStart> lines;
    const auto& paragraphs = m_lowerText.Paragraphs();
    endParagraph = std::min(endParagraph, paragraphs.size());
    for (size_t p = firstParagraph; p < endParagraph; ++p) {
        lines.push_back({p, 0, 0});
        int64_t x = 0;
        const std::vector<StyledRun>& runs = paragraphs[p].Runs;
        for (size_t r = 0; r < runs.size(); ++r) {
            const std::string_view text = runs[r].Text;
            size_t i = 0;
            while (i < text.size()) {
                const size_t space = text.find(' ', i);
                const size_t end = space == std::string_view::npos ? text.size() : space + 1;
                const int pieceWidth = MeasureLook(text.substr(i, end - i), runs[r].Look, false);
                if (x > 0 && x + pieceWidth > width) {
                    lines.push_back({p, r, i});
                    x = 0;
                }
                x += pieceWidth;
                i = end;
            }
        }
    }
    return lines;
}

int zScreen::DrawLine(const std::vector<LineStart>& lines, size_t index, int y) {
    const LineStart& start = lines[index];
    const Paragraph& paragraph = m_lowerText.Paragraphs()[start.Paragraph];
    // The line ends where the next one starts, or with its paragraph.
    LineStart end{start.Paragraph, paragraph.Runs.size(), 0};
    if (index + 1 < lines.size() && lines[index + 1].Paragraph == start.Paragraph)
        end = lines[index + 1];
    if (const auto band = ClipRect(0, y, m_surface->Width(), int64_t{y} + m_charHeight,
                                   m_surface->Width(), m_surface->Height()))
        m_surface->FillRect(band->left, band->top, band->right, band->bottom, Ink(paragraph.Fill));
    int64_t x = 0;
    for (size_t r = start.Run; r < paragraph.Runs.size() && r <= end.Run; ++r) {
        const StyledRun& run = paragraph.Runs[r];
        const size_t from = r == start.Run ? start.Offset : 0;
        const size_t to = r == end.Run ? end.Offset : run.Text.size();
        if (to <= from)
            continue;
        // Word by word with its space, as text output drew it, so that it stands where it
        // stood.
        const std::string_view text = std::string_view(run.Text).substr(from, to - from);
        for (size_t i = 0; i < text.size();) {
            const size_t space = text.find(' ', i);
            const size_t end = space == std::string_view::npos ? text.size() : space + 1;
            const std::string_view piece = text.substr(i, end - i);
            const int width = MeasureLook(piece, run.Look, false);
            if (x < m_surface->Width()) {
                if (run.Look.Font == kFontGraphics)
                    DrawGraphicsText(static_cast<int>(x), y, piece);
                else
                    m_surface->DrawText(static_cast<int>(x), y, piece);
            }
            x = std::min<int64_t>(x + width, INT32_MAX / 2);
            i = end;
        }
    }
    return static_cast<int>(x);
}

void zScreen::DrawUpperRows() {
    const WindowRec& upper = m_windows[1];
    if (upper.Top <= 0)
        return;
    const std::vector<CellRow>& rows = m_upperText.Rows();
    const int columns = upper.Width;
    std::string text;
    for (int row = 0; row < upper.Height && static_cast<size_t>(row) < rows.size(); ++row) {
        const CellRow& cells = rows[static_cast<size_t>(row)];
        const int y = row * m_charHeight;
        // The row's background beyond its cells, to the surface's edge.
        ApplyLook(cells.Trail, true);
        if (const auto band = ClipRect(0, y, m_surface->Width(), int64_t{y} + m_charHeight,
                                       m_surface->Width(), m_surface->Height()))
            m_surface->FillRect(band->left, band->top, band->right, band->bottom,
                                m_surface->BackColour());
        // Runs of cells in one look, as far as the window reaches.
        const auto shown =
            static_cast<int>(std::min(cells.Cells.size(), static_cast<size_t>(columns)));
        for (int column = 0; column < shown;) {
            const Appearance& look = cells.Cells[static_cast<size_t>(column)].Look;
            int end = column;
            text.clear();
            while (end < shown && cells.Cells[static_cast<size_t>(end)].Look == look)
                AppendUtf8(text, cells.Cells[static_cast<size_t>(end++)].Ch);
            ApplyLook(look, true);
            if (look.Font == kFontGraphics)
                DrawGraphicsText(column * m_charWidth, y, text);
            else
                m_surface->DrawText(column * m_charWidth, y, text);
            column = end;
        }
    }
}

void zScreen::DrawLowerLines() {
    WindowRec& lower = m_windows[0];
    const int width = lower.Width * m_charWidth;
    const std::vector<LineStart> lines = Layout(0, m_lowerText.Paragraphs().size(), width);
    // How many lines each paragraph takes now, for dropping the oldest later.
    for (size_t i = 0; i < lines.size();) {
        size_t end = i + 1;
        while (end < lines.size() && lines[end].Paragraph == lines[i].Paragraph)
            ++end;
        m_lowerText.SetLines(lines[i].Paragraph, static_cast<int>(end - i));
        i = end;
    }
    const int top = (lower.Top - 1) * m_charHeight;
    const int rows = std::max(lower.Height, 1);
    // The last lines, as many as the window holds, from its top; those above them are the
    // history's newest lines, in place of the ones laid out before.
    const size_t first = lines.size() > static_cast<size_t>(rows) ? lines.size() - rows : 0;
    m_surface->DropHistory(m_linesInHistory);
    m_linesInHistory = 0;
    if (m_surface->KeepsHistory()) {
        for (size_t i = 0; i < first; ++i) {
            DrawLine(lines, i, top);
            m_surface->AddToHistory(Rect{0, top, width, top + m_charHeight});
            ++m_linesInHistory;
        }
    }
    int endX = 0;
    for (size_t i = first; i < lines.size(); ++i)
        endX = DrawLine(lines, i, top + static_cast<int>(i - first) * m_charHeight);
    lower.CursorX = endX;
    lower.CursorY = top + static_cast<int>(lines.size() - 1 - first) * m_charHeight;
}

void zScreen::Redraw() {
    if (const auto all = ClipRect(0, 0, m_surface->Width(), m_surface->Height(), m_surface->Width(),
                                  m_surface->Height()))
        m_surface->FillRect(all->left, all->top, all->right, all->bottom, Ink(m_lowerFill));
    DrawLowerLines();
    DrawUpperRows();
    WindowRec& lower = m_windows[0];
    if (m_promptShown) {
        // The prompt stands on the line the next text goes to.
        if (lower.CursorX > 0) {
            lower.CursorX = 0;
            const int bottom = (lower.Top - 1 + lower.Height) * m_charHeight;
            if (lower.CursorY + 2 * m_charHeight > bottom) {
                const int saved = m_currentWindow;
                m_currentWindow = 0;
                Scroll(WindowRect(lower));
                m_currentWindow = saved;
            } else {
                lower.CursorY += m_charHeight;
            }
        }
        m_promptY = lower.CursorY;
        ApplyStyle();
        m_surface->DrawText(0, m_promptY, kMorePrompt);
    }
    ApplyStyle();
    m_surface->Invalidate(0, 0, m_surface->Width(), m_surface->Height());
}

} // namespace lantern
