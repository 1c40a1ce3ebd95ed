// Version 6's text output: each window wraps (by word when it buffers) between its margins,
// scrolls when it scrolls, counts its lines for "[**MORE**]" and calls its newline interrupt.
#include "screen/zScreen.h"

#include <algorithm>

namespace lantern {

namespace {
constexpr std::string_view kLineBreak = "\r\n";
// A window's line count stops growing here; the "[**MORE**]" is long due by then.
constexpr int32_t kMostLines = 30000;
} // namespace

void zScreen::MakeRoom6(int lineHeight) {
    WindowRec& window = Current();
    if ((window.Attributes & kAttrScrolling) == 0)
        return;
    const Area area = AreaOf(window);
    const int64_t over = int64_t{window.CursorY} + lineHeight - area.bottom;
    if (over <= 0)
        return;
    ScrollArea(area, over, window.Back);
    window.CursorY = static_cast<int32_t>(std::max(int64_t{window.CursorY} - over, area.top));
}

bool zScreen::NewLine6() {
    const int windowNo = m_currentWindow;
    const int lineHeight = LineHeight();
    auto begin = [&] {
        WindowRec& window = At6(windowNo);
        window.CursorX = static_cast<int32_t>(AreaOf(window).left + window.LeftMargin);
        window.CursorY = static_cast<int32_t>(
            std::min<int64_t>(int64_t{window.CursorY} + lineHeight, int64_t{1} << 24));
        window.WrapClipped = false;
        if (windowNo == m_currentWindow)
            MakeRoom6(lineHeight);
    };
    WindowRec& window = At6(windowNo);
    // The interrupt is due when the countdown reaches 0 on this line; it runs once, inside no
    // other interrupt.
    const bool due = window.Countdown > 0 && --window.Countdown == 0 && window.Interrupt != 0 &&
                     m_onInterrupt && m_interruptDepth == 0;
    const int32_t routine = window.Interrupt;
    auto interrupt = [&] {
        ++m_interruptDepth;
        try {
            m_onInterrupt(routine);
        } catch (...) {
            --m_interruptDepth;
            throw;
        }
        --m_interruptDepth;
        ApplyWindow6();
    };
    if (due && !m_interruptAfterNewLine)
        interrupt();
    begin();
    if (due && m_interruptAfterNewLine)
        interrupt();
    WindowRec& printed = At6(windowNo);
    if (printed.LineCount != kLineCountNoPause)
        printed.LineCount = std::min(printed.LineCount + 1, kMostLines);
    // A window of text that scrolls (and buffers) pauses when it has filled with lines the
    // player has not seen; the prompt takes its last line, so a window of fewer than two lines
    // never pauses.
    const int lines = printed.YSize / lineHeight;
    constexpr int kPaging = kAttrScrolling | kAttrBuffering;
    return (printed.Attributes & kPaging) == kPaging && lines >= 2 &&
           printed.LineCount != kLineCountNoPause && printed.LineCount >= lines - 1;
}

bool zScreen::ClipToWindow6() {
    // Text stays between the window's margins; a window wholly off the surface shows none.
    const WindowRec& window = Current();
    const Area area = AreaOf(window);
    const auto clip =
        ClipRect(area.left + window.LeftMargin, area.top, area.right - window.RightMargin,
                 area.bottom, m_surface->Width(), m_surface->Height());
    if (clip)
        m_surface->SetTextClip(clip);
    return clip.has_value();
}

std::string zScreen::PageBreak6(std::string_view rest) {
    // The prompt stands at the left margin of the new line.
    const WindowRec& window = Current();
    m_promptX = static_cast<int32_t>(AreaOf(window).left + window.LeftMargin);
    m_promptY = window.CursorY;
    if (ClipToWindow6())
        m_surface->DrawText(m_promptX, m_promptY, kMorePrompt);
    m_promptShown = true;
    return std::string(rest);
}

std::string zScreen::OutPut6(std::string_view outStr, bool eraseLastLine) {
    // Version 6 prints a tab (ZSCII 9) as a paragraph's indent at the start of a line and as a
    // space elsewhere, and a sentence space (11) as a wider gap.
    if (outStr.find_first_of("\t\v") != std::string_view::npos) {
        std::string spaced;
        for (const char c : outStr) {
            const bool lineStart =
                spaced.empty() ? Current().CursorX <= AreaOf(Current()).left + Current().LeftMargin
                               : spaced.back() == '\n';
            if (c == '\t')
                spaced += lineStart ? "   " : " ";
            else if (c == '\v')
                spaced += "  ";
            else
                spaced += c;
        }
        return OutPut6(spaced, eraseLastLine);
    }
    if (eraseLastLine) {
        if (m_promptShown) {
            const WindowRec& window = Current();
            const Area area = AreaOf(window);
            FillArea(m_promptX, m_promptY, area.right - window.RightMargin,
                     int64_t{m_promptY} + LineHeight(), window.Back);
        }
        m_promptShown = false;
    }
    size_t p = 0;
    while (p < outStr.size()) {
        WindowRec& window = Current();
        const Area area = AreaOf(window);
        const int64_t leftEdge = area.left + window.LeftMargin;
        const int64_t rightEdge = area.right - window.RightMargin;
        const int lineHeight = LineHeight();
        if (outStr[p] == '\r' && outStr.substr(p, kLineBreak.size()) == kLineBreak) {
            p += kLineBreak.size();
            if (NewLine6())
                return PageBreak6(outStr.substr(p));
            continue;
        }
        if (window.WrapClipped) {
            // Wrapping is off and the line is full: the rest of it is not shown.
            const size_t next = outStr.find(kLineBreak, p);
            p = next == std::string_view::npos ? outStr.size() : next;
            continue;
        }
        const bool wrapping = (window.Attributes & kAttrWrapping) != 0;
        const bool buffering = wrapping && (window.Attributes & kAttrBuffering) != 0;
        std::string_view rest = outStr.substr(p);
        std::string_view piece =
            rest.substr(0, std::max<size_t>(CharMap::CarriedLength(rest, 0), 1));
        if (buffering) {
            // A word with the space after it; a line break ends it.
            const size_t end = rest.find_first_of(" \r");
            piece = rest.substr(0, end == std::string_view::npos ? rest.size()
                                                                 : end + (rest[end] == ' '));
            if (piece.empty())
                piece = rest.substr(0, 1);
        }
        int width = MeasureShown(Shown(piece));
        const bool atLineStart = window.CursorX <= leftEdge;
        if (int64_t{window.CursorX} + width > rightEdge) {
            if (!wrapping) {
                // Characters are shown while they fit; the cursor then rests at the margin.
                const std::string_view one =
                    rest.substr(0, std::max<size_t>(CharMap::CarriedLength(rest, 0), 1));
                const int oneWidth = MeasureShown(Shown(one));
                if (int64_t{window.CursorX} + oneWidth > rightEdge) {
                    window.CursorX = static_cast<int32_t>(std::max(rightEdge, area.left));
                    window.WrapClipped = true;
                    continue;
                }
                piece = one;
                width = oneWidth;
            } else if (!atLineStart) {
                // A word that ends just past the margin with its space still fits without it.
                const bool spaceOnly =
                    buffering && piece.size() > 1 && piece.back() == ' ' &&
                    int64_t{window.CursorX} +
                            MeasureShown(Shown(piece.substr(0, piece.size() - 1))) <=
                        rightEdge;
                if (!spaceOnly) {
                    if (NewLine6())
                        return PageBreak6(outStr.substr(p));
                    continue;
                }
            } else if (piece.size() > 1) {
                // A word wider than the whole line is broken where the line ends.
                size_t fits = 0;
                while (fits < piece.size()) {
                    const size_t next =
                        fits + std::max<size_t>(CharMap::CarriedLength(piece, fits), 1);
                    if (int64_t{window.CursorX} + MeasureShown(Shown(piece.substr(0, next))) >
                        rightEdge)
                        break;
                    fits = next;
                }
                if (fits == 0)
                    fits = std::max<size_t>(CharMap::CarriedLength(piece, 0), 1);
                piece = piece.substr(0, fits);
                width = MeasureShown(Shown(piece));
            }
        }
        MakeRoom6(lineHeight);
        if (ClipToWindow6()) {
            DrawShown(window.CursorX, window.CursorY, Shown(piece));
            m_surface->Invalidate(window.CursorX, window.CursorY, window.CursorX + width,
                                  window.CursorY + lineHeight);
        }
        window.CursorX = static_cast<int32_t>(
            std::min<int64_t>(int64_t{window.CursorX} + width, int64_t{1} << 24));
        p += piece.size();
    }
    return {};
}

} // namespace lantern
