// Version 6's screen model: eight windows placed in units, with their properties, margins,
// cursors, colours and fonts, scrolling, and the pictures drawn in them (Standard 8.8).
#include "screen/zScreen.h"

#include <algorithm>
#include <limits>

namespace lantern {

namespace {

// Places and sizes are kept within this many units either way, so that no sum overflows and
// every value still reads back as a story's word would.
constexpr int64_t kFarAway = 1 << 20;

int32_t Bounded(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, -kFarAway, kFarAway));
}

// A colour as 15 bits: red in the low five, then green, then blue.
int32_t FifteenBit(Colour colour) {
    const int red = static_cast<int>((colour >> 16) & 0xFF) >> 3;
    const int green = static_cast<int>((colour >> 8) & 0xFF) >> 3;
    const int blue = static_cast<int>(colour & 0xFF) >> 3;
    return red | (green << 5) | (blue << 10);
}

Colour FromFifteenBit(int32_t value) {
    // Five bits to eight: the top bits repeat in the low ones, so 31 gives 255.
    auto scale = [](int five) { return (five << 3) | (five >> 2); };
    return Rgb(scale(value & 31), scale((value >> 5) & 31), scale((value >> 10) & 31));
}

// The colour numbers 2 to 12, as SET_COLOUR's table has them.
constexpr std::array<Colour, 13> kColours = {
    0,
    0,
    Rgb(0, 0, 0),
    Rgb(255, 0, 0),
    Rgb(0, 255, 0),
    Rgb(255, 255, 0),
    Rgb(0, 0, 255),
    Rgb(255, 0, 255),
    Rgb(0, 255, 255),
    Rgb(255, 255, 255),
    Rgb(192, 192, 192),
    Rgb(128, 128, 128),
    Rgb(64, 64, 64),
};
// The number a colour outside the table reads back as (property 11).
constexpr int kOtherColour = 16;

int NumberOf(Colour colour) {
    for (int n = 2; n <= 12; ++n)
        if (kColours[static_cast<size_t>(n)] == colour)
            return n;
    return kOtherColour;
}

} // namespace

zScreen::Area zScreen::AreaOf(const WindowRec& window) {
    const int64_t left = int64_t{window.X} - 1;
    const int64_t top = int64_t{window.Y} - 1;
    return {left, top, left + std::max(window.XSize, 0), top + std::max(window.YSize, 0)};
}

void zScreen::SetRelativeCursor(WindowRec& window, int64_t y, int64_t x) {
    window.CursorX = Bounded(int64_t{window.X} - 1 + x - 1);
    window.CursorY = Bounded(int64_t{window.Y} - 1 + y - 1);
    window.WrapClipped = false;
}

void zScreen::StartVersion6() {
    if (!m_screenReady)
        SetupScreen();
    m_v6 = true;
    KeepText(m_keepTextAsked);
    m_cursorShown = true;
    m_mouseWindow = 1;
    m_promptShown = false;
    FitScreen6(m_surface->Width(), m_surface->Height());
    for (size_t w = 0; w < m_windows.size(); ++w) {
        WindowRec window;
        window.Fore = m_defaultFore;
        window.Back = m_defaultBack;
        window.TrueFore = FifteenBit(m_defaultFore);
        window.TrueBack = FifteenBit(m_defaultBack);
        // Window 0 wraps, scrolls, goes to the transcript and buffers; the others buffer.
        window.Attributes = w == 0
                                ? kAttrWrapping | kAttrScrolling | kAttrTranscript | kAttrBuffering
                                : kAttrBuffering;
        window.XSize = w <= 1 ? m_screenWidth : 0;
        window.YSize = w == 0 ? m_screenHeight : 0;
        SetRelativeCursor(window, 1, 1);
        m_windows[w] = window;
    }
    m_currentWindow = 0;
    ApplyWindow6();
}

void zScreen::LeaveVersion6() {
    if (!m_v6)
        return;
    m_v6 = false;
    KeepText(m_keepTextAsked);
    m_surface->SetTextClip(std::nullopt);
    for (size_t w = 2; w < m_windows.size(); ++w)
        m_windows[w] = WindowRec{};
    m_currentWindow = 0;
}

std::optional<int> zScreen::WindowNumber(int number) const {
    if (number == -3)
        return m_currentWindow;
    if (number >= 0 && number < kWindowCount)
        return number;
    return std::nullopt;
}

Rect zScreen::WindowArea(int windowNo) const {
    if (!m_v6)
        return WindowRect(Window(windowNo));
    const Area area = AreaOf(Window6(windowNo));
    auto side = [](int64_t value) {
        return static_cast<int>(std::clamp<int64_t>(value, -2 * kFarAway, 2 * kFarAway));
    };
    return Rect{side(area.left), side(area.top), side(area.right), side(area.bottom)};
}

void zScreen::ApplyWindow6() {
    m_storedForeColor = Current().Fore;
    m_storedBackColor = Current().Back;
    ApplyStyle();
    m_lineHeight6 = LineHeight();
}

int zScreen::LineHeight() {
    return std::max(m_surface->MeasureText("0").height, 1);
}

void zScreen::SplitUnits(int32_t units) {
    units = std::clamp(units, 0, m_screenHeight);
    WindowRec& upper = At6(1);
    WindowRec& lower = At6(0);
    upper.Y = 1;
    upper.YSize = units;
    lower.Y = units + 1;
    lower.YSize = std::max(m_screenHeight - units, 0);
    // A cursor keeps its place on the screen, unless that is no longer in its window.
    for (WindowRec* window : {&upper, &lower}) {
        const Area area = AreaOf(*window);
        if (window->CursorY < area.top || window->CursorY > area.bottom)
            SetRelativeCursor(*window, 1, window->LeftMargin + 1);
    }
}

void zScreen::SelectWindow(int windowNo) {
    m_currentWindow = windowNo;
    ApplyWindow6();
}

void zScreen::MoveWindow(int windowNo, int32_t y, int32_t x) {
    WindowRec& window = At6(windowNo);
    // The cursor stays where it is in the window, which takes it along.
    const int32_t cursorY = RelativeY(window);
    const int32_t cursorX = RelativeX(window);
    window.Y = Bounded(y);
    window.X = Bounded(x);
    SetRelativeCursor(window, cursorY, cursorX);
}

void zScreen::SizeWindow(int windowNo, int32_t height, int32_t width) {
    WindowRec& window = At6(windowNo);
    window.YSize = std::clamp(height, 0, static_cast<int32_t>(kFarAway));
    window.XSize = std::clamp(width, 0, static_cast<int32_t>(kFarAway));
    const int32_t y = RelativeY(window);
    const int32_t x = RelativeX(window);
    if (y < 1 || x < 1 || y > window.YSize + 1 || x > window.XSize + 1)
        SetRelativeCursor(window, 1, window.LeftMargin + 1);
}

void zScreen::SetWindowStyle(int windowNo, int flags, int operation) {
    WindowRec& window = At6(windowNo);
    flags &= kAttrWrapping | kAttrScrolling | kAttrTranscript | kAttrBuffering;
    switch (operation) {
    case 1: window.Attributes |= flags; break;
    case 2: window.Attributes &= ~flags; break;
    case 3: window.Attributes ^= flags; break;
    default: window.Attributes = flags; break;
    }
    if ((window.Attributes & kAttrWrapping) != 0)
        window.WrapClipped = false;
}

int32_t zScreen::WindowProperty(int windowNo, int property) {
    const WindowRec& window = Window6(windowNo);
    switch (property) {
    case 0: return window.Y;
    case 1: return window.X;
    case 2: return window.YSize;
    case 3: return window.XSize;
    case 4: return RelativeY(window);
    case 5: return RelativeX(window);
    case 6: return window.LeftMargin;
    case 7: return window.RightMargin;
    case 8: return window.Interrupt;
    case 9: return window.Countdown;
    case 10: return window.Style;
    case 11: return window.ColourNumbers;
    case 12: return window.Font;
    case 13: {
        const auto [height, width] = FontSize(windowNo);
        return (std::min(height, 255) << 8) | std::min(width, 255);
    }
    case 14: return window.Attributes;
    case 15: return window.LineCount;
    case 16: return window.TrueFore;
    case 17: return window.TrueBack;
    default: return 0;
    }
}

bool zScreen::PutWindowProperty(int windowNo, int property, int32_t value) {
    WindowRec& window = At6(windowNo);
    switch (property) {
    case 0: MoveWindow(windowNo, value, window.X); break;
    case 1: MoveWindow(windowNo, window.Y, value); break;
    case 2: SizeWindow(windowNo, value, window.XSize); break;
    case 3: SizeWindow(windowNo, window.YSize, value); break;
    case 4: PlaceCursor(std::max(value, 1), RelativeX(window), windowNo); break;
    case 5: PlaceCursor(RelativeY(window), value, windowNo); break;
    case 6: SetMargins(value, window.RightMargin, windowNo); break;
    case 7: SetMargins(window.LeftMargin, value, windowNo); break;
    case 8: window.Interrupt = value & 0xFFFF; break;
    case 9: window.Countdown = std::max(value, 0); break;
    case 10:
        window.Style = static_cast<uint8_t>(value & 0x0F);
        if (windowNo == m_currentWindow)
            ApplyWindow6();
        break;
    case 11: SetWindowColours(value & 0xFF, (value >> 8) & 0xFF, windowNo); break;
    case 12: SetWindowFont(value, windowNo); break;
    case 14: SetWindowStyle(windowNo, value, 0); break;
    case 15: window.LineCount = std::max(value, kLineCountNoPause); break;
    default: return false; // the font size and the true colours are read only
    }
    return true;
}

void zScreen::FillArea(int64_t left, int64_t top, int64_t right, int64_t bottom, Colour colour) {
    if (const auto area =
            ClipRect(left, top, right, bottom, m_surface->Width(), m_surface->Height())) {
        m_surface->FillRect(area->left, area->top, area->right, area->bottom, colour);
        m_surface->Invalidate(area->left, area->top, area->right, area->bottom);
    }
}

void zScreen::ScrollArea(const Area& area, int64_t units, Colour back) {
    const auto shown = ClipRect(area.left, area.top, area.right, area.bottom, m_surface->Width(),
                                m_surface->Height());
    if (!shown || units == 0)
        return;
    const int64_t height = area.bottom - area.top;
    const int64_t shift = std::clamp<int64_t>(units, -height, height);
    if (shift > 0) {
        m_surface->CopyBlock(shown->left, static_cast<int>(shown->top + shift), shown->Width(),
                             static_cast<int>(shown->Height() - shift), shown->left, shown->top);
        FillArea(area.left, area.bottom - shift, area.right, area.bottom, back);
    } else {
        m_surface->CopyBlock(shown->left, shown->top, shown->Width(),
                             static_cast<int>(shown->Height() + shift), shown->left,
                             static_cast<int>(shown->top - shift));
        FillArea(area.left, area.top, area.right, area.top - shift, back);
    }
    m_scrolledPixels += static_cast<uint64_t>(std::max<int64_t>(shift, 0));
    m_surface->Invalidate(shown->left, shown->top, shown->right, shown->bottom);
}

void zScreen::ScrollWindow(int windowNo, int32_t units) {
    const WindowRec& window = Window6(windowNo);
    ScrollArea(AreaOf(window), units, window.Back);
}

void zScreen::SetMargins(int32_t left, int32_t right, int windowNo) {
    WindowRec& window = At6(windowNo);
    window.LeftMargin = std::clamp(left, 0, static_cast<int32_t>(kFarAway));
    window.RightMargin = std::clamp(right, 0, static_cast<int32_t>(kFarAway));
    const int32_t x = RelativeX(window);
    if (x < window.LeftMargin + 1 || x > int64_t{window.XSize} - window.RightMargin + 1)
        SetRelativeCursor(window, RelativeY(window), window.LeftMargin + 1);
}

void zScreen::PlaceCursor(int32_t y, int32_t x, int windowNo) {
    if (y == -1 || y == -2) {
        m_cursorShown = y == -2;
        return;
    }
    WindowRec& window = At6(windowNo);
    // A place outside the margins is the left margin of that line.
    if (x < window.LeftMargin + 1 || x > int64_t{window.XSize} - window.RightMargin + 1)
        x = window.LeftMargin + 1;
    SetRelativeCursor(window, y, x);
}

std::pair<int32_t, int32_t> zScreen::CursorInWindow() const {
    const WindowRec& window = Current();
    return {RelativeY(window), RelativeX(window)};
}

std::optional<std::pair<Colour, int32_t>> zScreen::ColourNumber(int number, bool fore,
                                                                const WindowRec& window) const {
    if (number == 1) {
        const Colour colour = fore ? m_defaultFore : m_defaultBack;
        return std::pair{colour, FifteenBit(colour)};
    }
    if (number >= 2 && number <= 12) {
        const Colour colour = kColours[static_cast<size_t>(number)];
        return std::pair{colour, FifteenBit(colour)};
    }
    if (number == -1) {
        // The colour of the pixel under the cursor.
        if (const auto colour = m_surface->PixelAt(window.CursorX, window.CursorY))
            return std::pair{*colour, FifteenBit(*colour)};
    }
    // 0 (the current colour), 13 to 15 (reserved, transparent) and others change nothing.
    return std::nullopt;
}

void zScreen::SetWindowColours(int fore, int back, int windowNo) {
    if (!m_storyColours)
        return;
    WindowRec& window = At6(windowNo);
    if (const auto colour = ColourNumber(fore, true, window)) {
        window.Fore = colour->first;
        window.TrueFore = colour->second;
        window.ColourNumbers = (window.ColourNumbers & 0xFF00) | NumberOf(colour->first);
    }
    if (const auto colour = ColourNumber(back, false, window)) {
        window.Back = colour->first;
        window.TrueBack = colour->second;
        window.ColourNumbers = (window.ColourNumbers & 0x00FF) | (NumberOf(colour->first) << 8);
    }
    if (windowNo == m_currentWindow)
        ApplyWindow6();
}

void zScreen::SetWindowTrueColours(int32_t fore, int32_t back, int windowNo) {
    if (!m_storyColours)
        return;
    WindowRec& window = At6(windowNo);
    auto resolve = [&](int32_t value, bool isFore) -> std::optional<Colour> {
        const auto v = static_cast<int16_t>(value);
        if (v >= 0)
            return FromFifteenBit(v);
        if (v == -1)
            return isFore ? m_defaultFore : m_defaultBack;
        if (v == -3)
            return m_surface->PixelAt(window.CursorX, window.CursorY);
        return std::nullopt; // -2 the current colour, -4 transparent (not offered)
    };
    if (const auto colour = resolve(fore, true)) {
        window.Fore = *colour;
        window.TrueFore = FifteenBit(*colour);
        window.ColourNumbers = (window.ColourNumbers & 0xFF00) | NumberOf(*colour);
    }
    if (const auto colour = resolve(back, false)) {
        window.Back = *colour;
        window.TrueBack = FifteenBit(*colour);
        window.ColourNumbers = (window.ColourNumbers & 0x00FF) | (NumberOf(*colour) << 8);
    }
    if (windowNo == m_currentWindow)
        ApplyWindow6();
}

int zScreen::SetWindowFont(int font, int windowNo) {
    WindowRec& window = At6(windowNo);
    const int previous = window.Font;
    if (font == 0)
        return previous;
    if (font != kFontNormal && font != kFontGraphics && font != kFontFixed)
        return 0; // font 2 and the reserved ones are not there
    window.Font = font;
    if (windowNo == m_currentWindow)
        ApplyWindow6();
    return previous;
}

std::pair<int, int> zScreen::FontSize(int windowNo) {
    const int current = m_currentWindow;
    m_currentWindow = std::clamp(windowNo, 0, kWindowCount - 1);
    ApplyStyle();
    const TextExtent zero = m_surface->MeasureText("0");
    m_currentWindow = current;
    ApplyStyle();
    return {std::max(zero.height, 1), std::max(zero.width, 1)};
}

void zScreen::EraseWindow6(int windowNo) {
    if (windowNo == -1 || windowNo == -2) {
        // The whole screen: -1 in window 0's colour and without the split, -2 in the current
        // window's, changing nothing else.
        const Colour back = windowNo == -1 ? At6(0).Back : Current().Back;
        FillArea(0, 0, m_surface->Width(), m_surface->Height(), back);
        if (windowNo == -1) {
            SplitUnits(0);
            for (const int w : {0, 1}) {
                SetRelativeCursor(At6(w), 1, At6(w).LeftMargin + 1);
                if (At6(w).LineCount != kLineCountNoPause)
                    At6(w).LineCount = 0;
            }
            SelectWindow(0);
        }
        return;
    }
    WindowRec& window = At6(windowNo);
    const Area area = AreaOf(window);
    FillArea(area.left, area.top, area.right, area.bottom, window.Back);
    SetRelativeCursor(window, 1, window.LeftMargin + 1);
    if (window.LineCount != kLineCountNoPause)
        window.LineCount = 0;
}

void zScreen::EraseLine6(int32_t units) {
    const WindowRec& window = Current();
    const Area area = AreaOf(window);
    const int64_t right = area.right - window.RightMargin;
    const int64_t end =
        units == 1 ? right : std::min<int64_t>(window.CursorX + int64_t{units}, right);
    if (units < 1)
        return;
    FillArea(window.CursorX, window.CursorY, end, int64_t{window.CursorY} + LineHeight(),
             window.Back);
}

void zScreen::SetMouseWindow(int windowNo) {
    m_mouseWindow = windowNo;
}

bool zScreen::TakesClick(int32_t x, int32_t y) const {
    if (m_mouseWindow < 0 || m_mouseWindow >= kWindowCount)
        return true;
    const Area area = AreaOf(Window6(m_mouseWindow));
    return x - 1 >= area.left && x - 1 < area.right && y - 1 >= area.top && y - 1 < area.bottom;
}

// ---- Pictures ------------------------------------------------------------------------------

std::optional<PictureSize> zScreen::PictureSizeOf(uint32_t number) const {
    if (!m_pictures)
        return std::nullopt;
    if (m_surface->DrawsPictures())
        return m_pictures->ScaledSize(number, m_screenWidth, m_screenHeight);
    // Pictures left out (a terminal) keep their places, stretched over this screen as over the
    // one they were made for, so that a story that lays its text out around them keeps its
    // layout.
    return m_pictures->StretchedSize(number, m_screenWidth, m_screenHeight);
}

std::optional<zScreen::Area> zScreen::PicturePlace(uint32_t number, int32_t y, int32_t x) const {
    const auto size = PictureSizeOf(number);
    if (!size)
        return std::nullopt;
    const WindowRec& window = Current();
    // 0 (or nothing) is the cursor's line or column; others count from the window's corner.
    const int64_t left = x == 0 ? window.CursorX : int64_t{window.X} - 1 + x - 1;
    const int64_t top = y == 0 ? window.CursorY : int64_t{window.Y} - 1 + y - 1;
    return Area{left, top, left + size->Width, top + size->Height};
}

bool zScreen::DrawPicture(uint32_t number, int32_t y, int32_t x) {
    const PictureSet* pictures = Pictures();
    const PictureInfo* picture = pictures ? pictures->Find(number) : nullptr;
    const auto place = PicturePlace(number, y, x);
    if (!picture || !place || picture->Kind == PictureInfo::Format::Rect)
        return picture != nullptr; // a placeholder has nothing to draw
    const Area window = AreaOf(Current());
    const auto clip =
        ClipRect(std::max(window.left, place->left), std::max(window.top, place->top),
                 std::min(window.right, place->right), std::min(window.bottom, place->bottom),
                 m_surface->Width(), m_surface->Height());
    if (!clip)
        return true;
    PictureDraw draw;
    draw.Key = (pictures->Id() << 32) | number;
    draw.Jpeg = picture->Kind == PictureInfo::Format::Jpeg;
    draw.Bytes = picture->Bytes;
    draw.Adaptive = picture->Adaptive;
    auto side = [](int64_t value) {
        return static_cast<int>(std::clamp<int64_t>(value, -4 * kFarAway, 4 * kFarAway));
    };
    draw.Target =
        Rect{side(place->left), side(place->top), side(place->right), side(place->bottom)};
    draw.Clip = *clip;
    m_surface->DrawPicture(draw);
    m_surface->Invalidate(clip->left, clip->top, clip->right, clip->bottom);
    return true;
}

bool zScreen::ErasePicture(uint32_t number, int32_t y, int32_t x) {
    const auto place = PicturePlace(number, y, x);
    if (!place)
        return false;
    const Area window = AreaOf(Current());
    FillArea(std::max(window.left, place->left), std::max(window.top, place->top),
             std::min(window.right, place->right), std::min(window.bottom, place->bottom),
             Current().Back);
    return true;
}

void zScreen::FitScreen6(int width, int height) {
    // A version 6 screen is the whole surface, to the last pixel; with pictures made for a
    // screen of other proportions, the largest part of it that has theirs, so that the story
    // lays its pictures out as on that screen (the front-end shows it in the middle).
    if (const auto standard = PicturesShown() ? m_pictures->StandardScreen() : std::nullopt) {
        const int64_t byWidth = int64_t{width} * standard->Height / standard->Width;
        if (byWidth <= height)
            height = static_cast<int>(std::max<int64_t>(byWidth, 1));
        else
            width = static_cast<int>(
                std::max<int64_t>(int64_t{height} * standard->Width / standard->Height, 1));
    }
    if (width != m_surface->Width() || height != m_surface->Height())
        m_surface->Resize(width, height, At6(0).Back);
    m_screenWidth = m_surface->Width();
    m_screenHeight = m_surface->Height();
}

void zScreen::Resize6(int width, int height) {
    FitScreen6(width, height);
    m_surface->Invalidate(0, 0, m_surface->Width(), m_surface->Height());
}

} // namespace lantern
