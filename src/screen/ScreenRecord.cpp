// The screen's text as the story left it, kept beside the pixels so that the screen can be
// drawn again at another size or in another font without losing anything.
#include "screen/ScreenRecord.h"

#include <algorithm>

namespace lantern {

// ---- Cells --------------------------------------------------------------------------------

void CellGrid::Clear(const Appearance& blank) {
    m_blank = blank;
    for (CellRow& row : m_rows)
        row = CellRow{{}, blank};
}

void CellGrid::SetRows(int rows) {
    m_rows.resize(static_cast<size_t>(std::max(rows, 0)), CellRow{{}, m_blank});
}

void CellGrid::Put(int row, int column, std::u32string_view characters, const Appearance& look) {
    if (row < 0 || column < 0 || static_cast<size_t>(row) >= m_rows.size())
        return;
    CellRow& cells = m_rows[static_cast<size_t>(row)];
    const size_t end = static_cast<size_t>(column) + characters.size();
    // A window is never wider than a screen can be; anything past that is never shown.
    constexpr size_t kMaxColumns = 1024;
    if (static_cast<size_t>(column) >= kMaxColumns)
        return;
    if (cells.Cells.size() < std::min(end, kMaxColumns))
        cells.Cells.resize(std::min(end, kMaxColumns), TextCell{U' ', cells.Trail});
    for (size_t i = 0; i < characters.size() && column + i < cells.Cells.size(); ++i)
        cells.Cells[static_cast<size_t>(column) + i] = TextCell{characters[i], look};
}

void CellGrid::Erase(int row, int from, int to, const Appearance& blank) {
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size())
        return;
    CellRow& cells = m_rows[static_cast<size_t>(row)];
    from = std::max(from, 0);
    if (to == INT_MAX) {
        cells.Cells.resize(std::min(cells.Cells.size(), static_cast<size_t>(from)));
        cells.Trail = blank;
        return;
    }
    for (int column = from; column < to && static_cast<size_t>(column) < cells.Cells.size();
         ++column)
        cells.Cells[static_cast<size_t>(column)] = TextCell{U' ', blank};
}

// ---- Paragraphs ---------------------------------------------------------------------------

size_t Paragraph::Bytes() const {
    size_t bytes = 0;
    for (const StyledRun& run : Runs)
        bytes += run.Text.size();
    return bytes;
}

void TextFlow::Clear(Colour fill) {
    m_paragraphs.clear();
    m_paragraphs.push_back(Paragraph{{}, fill});
    m_lines.assign(1, 1);
    m_bytes = 0;
    m_lastBytes = 0;
}

void TextFlow::Append(std::string_view text, const Appearance& look) {
    if (text.empty())
        return;
    std::vector<StyledRun>& runs = m_paragraphs.back().Runs;
    // Text output draws and wraps word by word, each word with the space after it, and each
    // piece of text it is given apart: text that goes on after a space joins the run before
    // it, other text starts a run of its own, so that the text is wrapped and drawn again in
    // the same pieces.
    if (!runs.empty() && runs.back().Look == look && runs.back().Text.ends_with(' '))
        runs.back().Text.append(text);
    else
        runs.push_back(StyledRun{look, std::string(text)});
    m_bytes += text.size();
    m_lastBytes += text.size();
    // A paragraph that never ends keeps only its last part, which is what can be shown.
    if (m_lastBytes <= kMaxBytes)
        return;
    size_t& bytes = m_lastBytes;
    while (bytes > kMaxBytes / 2 && !runs.empty()) {
        std::string& first = runs.front().Text;
        size_t cut = std::min(first.size(), bytes - kMaxBytes / 2);
        while (cut < first.size() && (static_cast<unsigned char>(first[cut]) & 0xC0) == 0x80)
            ++cut;
        first.erase(0, cut);
        bytes -= cut;
        m_bytes -= std::min(m_bytes, cut);
        if (first.empty())
            runs.erase(runs.begin());
    }
}

void TextFlow::Break(Colour fill) {
    m_paragraphs.push_back(Paragraph{{}, fill});
    m_lines.push_back(1);
    m_lastBytes = 0;
}

void TextFlow::DropLast(size_t characters) {
    std::vector<StyledRun>& runs = m_paragraphs.back().Runs;
    while (characters > 0 && !runs.empty()) {
        std::string& text = runs.back().Text;
        // Back over whole UTF-8 characters.
        size_t end = text.size();
        while (characters > 0 && end > 0) {
            --end;
            while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
                --end;
            --characters;
        }
        m_bytes -= std::min(m_bytes, text.size() - end);
        m_lastBytes -= std::min(m_lastBytes, text.size() - end);
        text.resize(end);
        if (text.empty())
            runs.pop_back();
    }
}

int TextFlow::DropFirst() {
    if (m_paragraphs.size() <= 1)
        return 0;
    m_bytes -= std::min(m_bytes, m_paragraphs.front().Bytes());
    m_paragraphs.pop_front();
    const int lines = m_lines.front();
    m_lines.pop_front();
    return lines;
}

void TextFlow::SetParagraphs(std::deque<Paragraph> paragraphs) {
    m_paragraphs = std::move(paragraphs);
    if (m_paragraphs.empty())
        m_paragraphs.push_back(Paragraph{});
    m_lines.assign(m_paragraphs.size(), 1);
    m_bytes = 0;
    for (const Paragraph& paragraph : m_paragraphs)
        m_bytes += paragraph.Bytes();
    m_lastBytes = m_paragraphs.back().Bytes();
}

} // namespace lantern
