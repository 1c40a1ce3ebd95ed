// The screen model: window geometry, cursors, styles and colours.
#include "screen/zScreen.h"

#include <algorithm>
#include <cmath>

namespace lantern {

namespace {

/// Colours of the story's colour numbers 2 to 12; 1 is the default of each side.
constexpr std::array<Colour, 13> kColourTable = {
    0,                  // 0: unused
    0,                  // 1: default, chosen per side
    Rgb(0, 0, 0),       // 2: black
    Rgb(255, 0, 0),     // 3: red
    Rgb(0, 255, 0),     // 4: green
    Rgb(255, 255, 0),   // 5: yellow
    Rgb(0, 0, 255),     // 6: blue
    Rgb(255, 0, 255),   // 7: magenta
    Rgb(0, 255, 255),   // 8: cyan
    Rgb(255, 255, 255), // 9: white
    Rgb(192, 192, 192), // 10: light grey
    Rgb(128, 128, 128), // 11: medium grey
    Rgb(64, 64, 64),    // 12: dark grey
};

} // namespace

int RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double rounded = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
        rounded = floor + 1;
    return static_cast<int>(rounded);
}

zScreen::zScreen(Surface& surface) : m_surface(&surface) {
    SetSurface(surface);
}

void zScreen::SetSurface(Surface& surface) {
    m_surface = &surface;
    // Every game starts in the display's own colours, whatever the last game left set; the
    // player's choice of them takes effect with the next game.
    m_gameFore = m_defaultFore;
    m_gameBack = m_defaultBack;
    SetInks(kDefaultForeInk, kDefaultBackInk);
}

void zScreen::SetDefaultColours(Colour fore, Colour back) {
    m_defaultFore = fore;
    m_defaultBack = back;
}

void zScreen::MeasureCell() {
    m_surface->SelectFont(true, false, false);
    const TextExtent cell = m_surface->MeasureText("0");
    // A surface that reports an empty cell would make every division below fail.
    m_charWidth = std::max(cell.width, 1);
    m_charHeight = std::max(cell.height, 1);
}

void zScreen::SetupScreen() {
    MeasureCell();
    WindowRec& lower = m_windows[0];
    lower.Top = 1;
    lower.Left = 1;
    lower.Width = m_screenWidth / m_charWidth;
    lower.Height = m_screenHeight / m_charHeight;
    m_currentWindow = 0;
    m_screenReady = true;
    // The lower window's font and colours follow its style, which an erase does not clear.
    ApplyStyle();
}

Rect zScreen::WindowRect(const WindowRec& window) const {
    return Rect{(window.Left - 1) * m_charWidth, (window.Top - 1) * m_charHeight,
                (window.Left + window.Width - 1) * m_charWidth,
                (window.Top + window.Height - 1) * m_charHeight};
}

void zScreen::SelectFont(bool fixedPitch, bool bold, bool italic) {
    m_surface->SelectFont(fixedPitch, bold, italic);
}

void zScreen::ApplyStyle() {
    const int style = Current().Style;
    // The upper window of versions 1 to 5 is in fixed pitch.
    SelectFont((style & kStyleFixed) != 0 || Current().Font != kFontNormal ||
                   (m_currentWindow == 1 && !m_v6),
               (style & kStyleBold) != 0, (style & kStyleItalic) != 0);
    if (style & kStyleReverse) {
        m_surface->SetTextColour(m_storedBackColor);
        m_surface->SetBackColour(m_storedForeColor);
    } else {
        m_surface->SetTextColour(m_storedForeColor);
        m_surface->SetBackColour(m_storedBackColor);
    }
}

void zScreen::Fill(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    const auto area = ClipRect(left, top, right, bottom, m_surface->Width(), m_surface->Height());
    if (area)
        m_surface->FillRect(area->left, area->top, area->right, area->bottom, m_storedBackColor);
}

void zScreen::SetColor(int foreColor, int backColor) {
    if (!m_storyColours)
        return;
    Colour fore = m_foreInk;
    Colour back = m_backInk;
    if (foreColor >= 1 && foreColor <= 12)
        fore = foreColor == 1 ? kDefaultForeInk : kColourTable[foreColor];
    if (backColor >= 1 && backColor <= 12)
        back = backColor == 1 ? kDefaultBackInk : kColourTable[backColor];
    // Reverse video stays reversed in the new colours.
    SetInks(fore, back);
}

void zScreen::SetInks(Colour fore, Colour back) {
    m_foreInk = fore;
    m_backInk = back;
    m_storedForeColor = Ink(fore);
    m_storedBackColor = Ink(back);
    ApplyStyle();
}

void zScreen::SetTrueColor(int foreColor, int backColor) {
    if (!m_storyColours)
        return;
    auto apply = [](int value, Colour fallback, Colour& stored) {
        const int v = value & 0xFFFF;
        if (v == 0xFFFF) {
            stored = fallback;
        } else if (v < 0x8000) {
            // Five bits to eight: the top bits repeat in the low ones, so 31 gives 255.
            auto scale = [](int five) { return (five << 3) | (five >> 2); };
            stored = Rgb(scale(v & 31), scale((v >> 5) & 31), scale((v >> 10) & 31));
        }
    };
    Colour fore = m_foreInk;
    Colour back = m_backInk;
    apply(foreColor, kDefaultForeInk, fore);
    apply(backColor, kDefaultBackInk, back);
    SetInks(fore, back);
}

void zScreen::SplitWindow(int lines) {
    lines = std::clamp(lines, 0, ScreenLines());
    const int width = RoundHalfEven(static_cast<double>(m_screenWidth) / m_charWidth);
    WindowRec& lower = m_windows[0];
    lower.Top = lines + 1;
    lower.Left = 1;
    lower.Height = RoundHalfEven(static_cast<double>(m_screenHeight) / m_charHeight - lines);
    lower.Width = width;
    WindowRec& upper = m_windows[1];
    upper.Top = 1;
    upper.Left = 1;
    upper.Height = lines;
    upper.Width = width;
    // A lower cursor now inside the upper window moves to the lower window's first line.
    const int32_t lowerTop = lines * m_charHeight;
    if (lower.CursorY < lowerTop)
        lower.CursorY = lowerTop;
    // Rows the upper window gives up show what stands there until the lower window's text
    // covers them; the record keeps the rows it has.
    m_upperText.SetRows(lines);
}

void zScreen::SetWindow(int windowNo) {
    if (windowNo != 0 && windowNo != 1)
        return;
    m_currentWindow = windowNo;
    ApplyStyle();
    if (windowNo == 1) {
        m_windows[1].CursorX = 0;
        m_windows[1].CursorY = 0;
    }
}

void zScreen::EraseWindow(int windowNo) {
    const bool upperToo = windowNo == -1;
    if (windowNo == -1) {
        WindowRec& upper = m_windows[1];
        upper.Top = upper.Left = upper.Width = upper.Height = 0;
        m_screenReady = false;
        windowNo = 0;
    } else if (windowNo != -2 && windowNo != 0 && windowNo != 1) {
        return;
    }
    if (!m_screenReady)
        SetupScreen();
    Rect area;
    if (windowNo == -2) {
        // The whole screen, keeping the split: both windows' cursors go home.
        const Rect lower = WindowRect(m_windows[0]);
        area = Rect{0, 0, lower.right, lower.bottom};
        for (WindowRec& window : m_windows) {
            window.CursorX = 0;
            window.CursorY = std::max(window.Top - 1, 0) * m_charHeight;
        }
    } else {
        WindowRec& window = m_windows[static_cast<size_t>(windowNo)];
        area = WindowRect(window);
        // Home is the window's own first line, also for the lower window of a split screen.
        window.CursorX = 0;
        window.CursorY = std::max(window.Top - 1, 0) * m_charHeight;
    }
    area = ToSurfaceEdges(area);
    Fill(area.left, area.top, area.right, area.bottom);
    m_surface->Invalidate(area.left, area.top, area.right, area.bottom);
    if (windowNo != 0 || upperToo) {
        m_upperText.Clear(Appearance{0, kFontNormal, m_foreInk, m_backInk});
        m_upperText.SetRows(m_windows[1].Top > 0 ? m_windows[1].Height : 0);
    }
    if (windowNo != 1) {
        // The lines that scrolled away stay in the surface's history as they are.
        m_lowerText.Clear(m_backInk);
        m_lowerFill = m_backInk;
        m_linesInHistory = 0;
    }
}

Rect zScreen::ToSurfaceEdges(Rect area) const {
    if (area.right < m_surface->Width() && m_surface->Width() - area.right < m_charWidth)
        area.right = m_surface->Width();
    if (area.bottom < m_surface->Height() && m_surface->Height() - area.bottom < m_charHeight)
        area.bottom = m_surface->Height();
    return area;
}

void zScreen::FillLine() {
    const WindowRec& window = Current();
    const auto band =
        ClipRect(0, window.CursorY, m_surface->Width(), int64_t{window.CursorY} + m_charHeight,
                 m_surface->Width(), m_surface->Height());
    if (band)
        m_surface->FillRect(band->left, band->top, band->right, band->bottom,
                            m_surface->BackColour());
    // The whole row is erased, also what it kept beyond the window's width.
    if (m_currentWindow == 1 && m_keepText)
        m_upperText.Erase(window.CursorY / m_charHeight, 0, INT_MAX, CurrentLook());
}

void zScreen::KeepText(bool keep) {
    m_keepTextAsked = keep;
    // Version 6 keeps its own screen: its windows are not the two the record is made of.
    m_keepText = keep && !m_v6;
    if (!m_keepText) {
        m_upperText.Clear(Appearance{});
        m_lowerText.Clear(kDefaultBackInk);
        m_linesInHistory = 0;
    }
}

void zScreen::SetLinesPrinted(int32_t lines) {
    if (!m_v6) {
        m_linesPrinted = lines;
        return;
    }
    for (WindowRec& window : m_windows)
        if (window.LineCount != kLineCountNoPause)
            window.LineCount = lines;
}

void zScreen::Resize(int width, int height) {
    if (m_v6)
        return Resize6(std::max(width, kMinimumColumns * m_charWidth),
                       std::max(height, kMinimumRows * m_charHeight));
    if (!m_screenReady) {
        // Nothing is laid out yet: the next erase lays the screen out on the new size.
        MeasureCell();
        m_surface->Resize(std::max(width, kMinimumColumns * m_charWidth),
                          std::max(height, kMinimumRows * m_charHeight), m_storedBackColor);
        SetScreenWidth(std::max(width, kMinimumColumns * m_charWidth));
        SetScreenHeight(RowsIn(height) * m_charHeight);
        return;
    }
    if (m_keepText) {
        // The screen is drawn again from its record at the new size, in whatever font: the
        // upper window's cells, kept beyond the width too, and the lower window's paragraphs
        // wrapped again.
        const int oldCellWidth = m_charWidth;
        const int oldCellHeight = m_charHeight;
        MeasureCell();
        const int columns = ColumnsIn(width);
        const int rows = RowsIn(height);
        m_surface->Resize(std::max(width, columns * m_charWidth),
                          std::max(height, rows * m_charHeight), Ink(m_lowerFill));
        SetScreenWidth(std::max(width, kMinimumColumns * m_charWidth));
        SetScreenHeight(rows * m_charHeight);
        WindowRec& lower = m_windows[0];
        WindowRec& upper = m_windows[1];
        if (upper.Top > 0) {
            // Cut when the screen gets too short for it and a line of the lower window.
            upper.Height = std::clamp(upper.Height, 0, rows - 1);
            upper.Width = columns;
            // Its cursor stays in the same cell.
            upper.CursorX = std::min(upper.CursorX / oldCellWidth, columns) * m_charWidth;
            upper.CursorY = std::min(upper.CursorY / oldCellHeight, rows) * m_charHeight;
            m_upperText.SetRows(upper.Height);
        }
        lower.Top = upper.Top > 0 ? upper.Height + 1 : 1;
        lower.Left = 1;
        lower.Width = columns;
        lower.Height = rows - (lower.Top - 1);
        Redraw();
        return;
    }
    // Without a record the pixels that still fit are kept.
    MeasureCell();
    const int columns = ColumnsIn(width);
    const int rows = RowsIn(height);
    WindowRec& lower = m_windows[0];
    WindowRec& upper = m_windows[1];
    // The upper window is cut when the screen gets too short for it and a line of the lower.
    const int upperHeight = std::min(upper.Height, rows - 1);
    // The lower window's text moves up as far as the cursor's line needs to stay on the screen.
    const int cursorRow = lower.CursorY / m_charHeight;
    const int lowerTop = (lower.Top - 1) * m_charHeight;
    const int lost = cursorRow - (rows - 1);
    if (lost > 0 && lower.Height > 0) {
        const int shift = lost * m_charHeight;
        const int bottom = (lower.Top - 1 + lower.Height) * m_charHeight;
        m_surface->CopyBlock(0, lowerTop + shift, m_surface->Width(), bottom - lowerTop - shift, 0,
                             lowerTop);
        lower.CursorY -= shift;
        m_promptY -= shift;
        // What was drawn has moved up as a scroll moves it.
        m_scrolls += static_cast<uint64_t>(lost);
        m_scrolledPixels += static_cast<uint64_t>(shift);
        if (m_inputCaret)
            m_inputCaret->y -= shift;
    }
    m_surface->Resize(std::max(width, columns * m_charWidth), std::max(height, rows * m_charHeight),
                      m_storedBackColor);
    SetScreenWidth(std::max(width, kMinimumColumns * m_charWidth));
    SetScreenHeight(rows * m_charHeight);
    if (upper.Top > 0) {
        upper.Height = std::max(upperHeight, 0);
        upper.Width = columns;
    }
    lower.Top = upper.Top > 0 ? upper.Height + 1 : 1;
    lower.Left = 1;
    lower.Width = columns;
    lower.Height = rows - (lower.Top - 1);
    const int firstLowerY = (lower.Top - 1) * m_charHeight;
    lower.CursorY = std::clamp(lower.CursorY, firstLowerY, (rows - 1) * m_charHeight);
    m_promptY = std::clamp(m_promptY, firstLowerY, (rows - 1) * m_charHeight);
    m_surface->Invalidate(0, 0, m_surface->Width(), m_surface->Height());
}

void zScreen::EraseLine(int, int) {}

void zScreen::SetCursor(int line, int column, int, int window) {
    if (window != 0 && window != 1)
        return;
    WindowRec& target = window == 0 ? Current() : m_windows[1];
    const int firstLine = std::max(target.Top, 1);
    const int firstColumn = std::max(target.Left, 1);
    // The upper bounds are one past the last line and column.
    line = std::clamp(line, firstLine, std::max(target.Top + target.Height, firstLine));
    column = std::clamp(column, firstColumn, std::max(target.Left + target.Width, firstColumn));
    target.CursorX = (column - 1) * m_charWidth;
    target.CursorY = (line - 1) * m_charHeight;
}

std::pair<int, int> zScreen::GetCursor() const {
    const WindowRec& window = Current();
    return {window.CursorY / m_charHeight + 1, window.CursorX / m_charWidth + 1};
}

int zScreen::GetTextStyle() const {
    return Current().Style;
}

void zScreen::SetTextStyle(int style) {
    WindowRec& window = Current();
    if (style == 0)
        window.Style = 0;
    else
        window.Style = static_cast<uint8_t>(window.Style | (style & 0xFF));
    ApplyStyle();
}

void zScreen::BufferMode(int flag) {
    m_windows[0].Buffered = (flag & 0xFF) != 0;
}

void zScreen::SetFont(int windowNo, int font) {
    if ((windowNo != 0 && windowNo != 1) ||
        (font != kFontNormal && font != kFontGraphics && font != kFontFixed))
        return;
    m_windows[static_cast<size_t>(windowNo)].Font = font;
    ApplyStyle();
}

} // namespace lantern
