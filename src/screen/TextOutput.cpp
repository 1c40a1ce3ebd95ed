// Text output: word pieces, wrapping, scrolling and the "[**MORE**]" page break.
#include "screen/zScreen.h"
#include "text/CharGraphics.h"

#include <algorithm>

namespace lantern {

namespace {
constexpr std::string_view kLineBreak = "\r\n";
} // namespace

std::string_view zScreen::NextWord(std::string_view text) const {
    if (text.empty())
        return text;
    if (m_currentWindow == 0 && m_windows[0].Buffered) {
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == ' ')
                return text.substr(0, i + 1);
            if (text[i] == '\r' && text.substr(i, kLineBreak.size()) == kLineBreak)
                return text.substr(0, i);
        }
        return text;
    }
    // One character: a Unicode character carried in the text is never split.
    return text.substr(0, std::max<size_t>(CharMap::CarriedLength(text, 0), 1));
}

int zScreen::MeasureZscii(std::string_view text) {
    return MeasureShown(Shown(text));
}

int zScreen::MeasureShown(std::string_view shown) {
    if (Current().Font != kFontGraphics)
        return m_surface->MeasureText(shown).width;
    // Every graphic takes one cell, whatever face has its glyph.
    const int64_t width = int64_t{m_charWidth} * static_cast<int64_t>(Utf8Length(shown));
    return static_cast<int>(std::min<int64_t>(width, INT32_MAX));
}

void zScreen::DrawShown(int x, int y, std::string_view shown) {
    if (Current().Font != kFontGraphics) {
        m_surface->DrawText(x, y, shown);
        return;
    }
    DrawGraphicsText(x, y, shown);
}

void zScreen::DrawGraphicsText(int x, int y, std::string_view text) {
    // Every glyph takes one cell. The codes of font 3 go to the surface, which draws the
    // Standard's glyphs where it can, and otherwise their nearest Unicode characters; other
    // characters (beyond ASCII) are drawn as they are, each in its own cell too.
    const TextExtent cell{m_charWidth, m_charHeight};
    int64_t cellX = x;
    size_t i = 0;
    std::string one;
    while (i < text.size() && cellX < m_surface->Width()) {
        size_t end = i;
        while (end < text.size() && static_cast<unsigned char>(text[end]) >= kFirstGraphic &&
               static_cast<unsigned char>(text[end]) <= kLastGraphic)
            ++end;
        if (end > i) {
            const std::string_view codes = text.substr(i, end - i);
            if (!m_surface->DrawGraphics(static_cast<int>(cellX), y, codes, cell)) {
                int64_t at = cellX;
                for (const char code : codes) {
                    one.clear();
                    AppendUtf8(one, CharGraphic(static_cast<uint8_t>(code)));
                    m_surface->DrawText(static_cast<int>(at), y, one);
                    at += m_charWidth;
                }
            }
            cellX += static_cast<int64_t>(codes.size()) * m_charWidth;
            i = end;
            continue;
        }
        const size_t start = i;
        NextUtf8(text, i);
        m_surface->DrawText(static_cast<int>(cellX), y, text.substr(start, i - start));
        cellX += m_charWidth;
    }
}

void zScreen::NewLine(WindowRec& window) {
    // The upper window never scrolls, so its cursor may run down past the screen; it stops a
    // little below it, where nothing drawn shows, instead of growing without bound.
    const int64_t limit = int64_t{ScreenLines() + 2} * m_charHeight;
    window.CursorY = static_cast<int32_t>(std::min(int64_t{window.CursorY} + m_charHeight, limit));
}

void zScreen::Scroll(const Rect& area) {
    // Only the window's own lines move up; nothing below the window is copied.
    m_surface->CopyBlock(area.left, area.top + m_charHeight, area.Width(),
                         area.Height() - m_charHeight, area.left, area.top);
    const int lastLine = std::max(area.bottom - m_charHeight, area.top);
    Fill(area.left, lastLine, area.right, area.bottom);
    Current().CursorY = lastLine;
    ++m_scrolls;
    m_scrolledPixels += static_cast<uint64_t>(m_charHeight);
    if (m_keepText)
        ++m_linesInHistory;
}

std::string zScreen::OutPut(std::string_view outStr, bool eraseLastLine) {
    if (m_v6)
        return OutPut6(outStr, eraseLastLine);
    if (!m_screenReady)
        SetupScreen();
    WindowRec& window = Current();
    const bool lower = m_currentWindow == 0;
    const Rect area = WindowRect(window);
    if (eraseLastLine) {
        // The prompt, where it stood inside the window.
        if (m_promptShown)
            Fill(area.left, m_promptY, area.right, int64_t{m_promptY} + m_charHeight);
        m_promptShown = false;
    }
    // The prompt takes the window's last line, so a page holds one line less than the window;
    // a window of one line has no room for text and a prompt and does not page.
    const bool pages = lower && window.Height >= 2;
    auto pageBreak = [&](size_t rest) {
        m_surface->DrawText(0, window.CursorY, kMorePrompt);
        m_promptShown = true;
        m_promptY = window.CursorY;
        return std::string(outStr.substr(rest));
    };

    size_t p = 0;
    while (p < outStr.size()) {
        if (outStr[p] == '\r' && outStr.substr(p, kLineBreak.size()) == kLineBreak) {
            window.CursorX = 0;
            NewLine(window);
            p += kLineBreak.size();
            if (lower) {
                // The new line is made first: the prompt stands on it, inside the window.
                const bool scrolls = int64_t{window.CursorY} + m_charHeight > area.bottom;
                if (scrolls)
                    Scroll(area);
                if (m_keepText)
                    RecordBreak(scrolls);
                ++m_linesPrinted;
                if (m_linesPrinted > window.Height - 2 && pages)
                    return pageBreak(p);
            }
            continue;
        }
        std::string_view piece = NextWord(outStr.substr(p));
        if (piece.empty())
            piece = outStr.substr(p, 1);
        // Shown once, measured and drawn (nothing below uses the screen's buffer before the
        // piece is drawn).
        const std::string& shown = Drawn(piece);
        const int width = MeasureShown(shown);
        // A piece that does not fit goes to the next line, unless it already starts a line:
        // one wider than the window is drawn there, cut off at the edge.
        bool newLine = false;
        if (window.CursorX > 0 && int64_t{window.CursorX} + width > area.right) {
            window.CursorX = 0;
            NewLine(window);
            if (lower)
                ++m_linesPrinted;
            if (lower && m_keepText)
                m_lowerText.AddWrap();
            newLine = true;
        }
        if (lower && int64_t{window.CursorY} + m_charHeight > area.bottom) {
            Scroll(area);
            ++m_linesPrinted;
            newLine = true;
        }
        // Every new line may fill the page, so that no line scrolls away unseen. Output
        // resumed after a pause always draws its first piece, so that every page makes
        // progress.
        if (newLine && pages && m_linesPrinted > window.Height - 2 && (p > 0 || !eraseLastLine))
            return pageBreak(p);
        DrawShown(window.CursorX, window.CursorY, shown);
        if (m_keepText)
            RecordDrawn(window.CursorX, window.CursorY, shown);
        window.CursorX = static_cast<int32_t>(
            std::min<int64_t>(int64_t{window.CursorX} + width, int64_t{INT32_MAX} / 2));
        p += piece.size();
    }
    return {};
}

void zScreen::UpdateDisplay() {
    if (!m_screenReady)
        SetupScreen();
    m_surface->Invalidate(0, 0, m_screenWidth + 100, m_screenHeight + 100);
}

void zScreen::DeleteChar(std::string_view chars) {
    if (!m_screenReady)
        SetupScreen();
    WindowRec& window = Current();
    const int width = MeasureZscii(chars);
    const int space = std::max(m_surface->MeasureText(" ").width, 1);
    const int64_t cover = int64_t{space} * (width / space + 1);
    window.CursorX = std::max(window.CursorX - width, 0);
    // Covers the glyphs as that many spaces would, with the text's background, but without
    // wrapping to the next line near the right edge.
    const int64_t right = std::min<int64_t>(int64_t{window.CursorX} + cover, TextBounds().right);
    const auto band =
        ClipRect(window.CursorX, window.CursorY, right, int64_t{window.CursorY} + m_charHeight,
                 m_surface->Width(), m_surface->Height());
    if (band)
        m_surface->FillRect(band->left, band->top, band->right, band->bottom,
                            m_surface->BackColour());
}

void zScreen::RubOutTo(PixelPoint from, size_t characters) {
    if (!m_screenReady)
        SetupScreen();
    WindowRec& window = Current();
    const Rect area = TextBounds();
    // Text that scrolled away above the window is gone; what is left of it starts at the top.
    if (from.y < area.top)
        from = {area.left, area.top};
    if (from.y > window.CursorY || (from.y == window.CursorY && from.x > window.CursorX))
        from = {window.CursorX, window.CursorY};
    // With the typed text's own background, from `from` to the end of its line, then the
    // whole lines below it down to the cursor's.
    const Colour back = m_surface->BackColour();
    auto fill = [&](int64_t left, int64_t top, int64_t right, int64_t bottom) {
        if (const auto band =
                ClipRect(left, top, right, bottom, m_surface->Width(), m_surface->Height()))
            m_surface->FillRect(band->left, band->top, band->right, band->bottom, back);
    };
    const int64_t below = int64_t{from.y} + m_charHeight;
    fill(from.x, from.y, area.right, below);
    fill(area.left, below, area.right, int64_t{window.CursorY} + m_charHeight);
    if (m_keepText) {
        if (m_currentWindow == 0)
            m_lowerText.DropLast(characters);
        else if (from.y == window.CursorY)
            m_upperText.Erase(from.y / m_charHeight, from.x / m_charWidth,
                              window.CursorX / m_charWidth, CurrentLook());
    }
    window.CursorX = from.x;
    window.CursorY = from.y;
}

Rect zScreen::TextBounds() const {
    if (!m_v6)
        return WindowRect(Current());
    const WindowRec& window = Current();
    Rect area = WindowArea(m_currentWindow);
    area.left += std::min(window.LeftMargin, std::max(area.Width(), 0));
    area.right = std::max(area.left, area.right - window.RightMargin);
    return area;
}

PixelPoint zScreen::CaretPosition() const {
    if (m_inputCaret)
        return *m_inputCaret;
    const WindowRec& window = Current();
    return {window.CursorX, window.CursorY};
}

} // namespace lantern
