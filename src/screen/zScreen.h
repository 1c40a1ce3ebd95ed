#pragma once

#include "files/Pictures.h"
#include "platform/Surface.h"
#include "screen/ScreenRecord.h"
#include "text/CharMap.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lantern {

/// Style bits of SET_TEXT_STYLE.
inline constexpr int kStyleReverse = 1;
inline constexpr int kStyleBold = 2;
inline constexpr int kStyleItalic = 4;
inline constexpr int kStyleFixed = 8;

/// The fonts of SET_FONT: the normal one, the character graphics and fixed pitch.
inline constexpr int kFontNormal = 1;
inline constexpr int kFontGraphics = 3;
inline constexpr int kFontFixed = 4;

/// The screen's starting colours: black text on white, the story's colour numbers 2 and 9.
inline constexpr Colour kStartForeColour = Rgb(0, 0, 0);
inline constexpr Colour kStartBackColour = Rgb(255, 255, 255);
inline constexpr int kStartForeColourNumber = 2;
inline constexpr int kStartBackColourNumber = 9;

/// The smallest screen a story is laid out on, in either front-end: room for a status line, a
/// line of text and the "[**MORE**]" row, however small the terminal or window.
inline constexpr int kMinimumColumns = 10;
inline constexpr int kMinimumRows = 3;

/// The prompt drawn when the lower window is full.
inline constexpr std::string_view kMorePrompt = "[**MORE**]";

/// Rounds to the nearest integer, halves to the even one (the window and status-line sizes).
int RoundHalfEven(double value);

/// What the screen shows, kept (in an autosave) to show it again after the program has
/// stopped: its text with every cell's and line's look, and the state the story's text goes on
/// in.
struct ScreenSnapshot {
    int UpperHeight = 0;          ///< lines of the upper window
    std::vector<CellRow> Upper;   ///< its rows
    std::vector<Paragraph> Lower; ///< the lower window's last paragraphs, the cursor after them
    Colour LowerFill = kDefaultBackInk; ///< the lower window's background
    int CurrentWindow = 0;
    std::array<uint8_t, 2> Styles{};    ///< each window's style bits
    std::array<uint8_t, 2> Fonts{1, 1}; ///< each window's font
    Colour Fore = kDefaultForeInk;      ///< the colours set
    Colour Back = kDefaultBackInk;
    std::pair<int, int> UpperCursor{1, 1}; ///< (line, column) of the upper window's cursor
    bool Buffered = true;

    bool operator==(const ScreenSnapshot&) const = default;
    /// The rows of the upper window and the paragraphs of the lower one as plain text.
    std::vector<std::string> UpperText() const;
    std::vector<std::string> LowerText() const;
    /// As lines of text, and back; Decode refuses (nothing) what Encode could not have written.
    /// It also reads the text-only screens that earlier versions kept.
    std::string Encode() const;
    static std::optional<ScreenSnapshot> Decode(std::string_view text);
};

/// A place on the surface in pixels.
struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const PixelPoint&) const = default;
};

/// Version 6 has eight windows; their attributes (WINDOW_STYLE, property 14) are these bits.
inline constexpr int kWindowCount = 8;
inline constexpr int kAttrWrapping = 1;
inline constexpr int kAttrScrolling = 2;
inline constexpr int kAttrTranscript = 4;
inline constexpr int kAttrBuffering = 8;
/// The line count (property 15) that never pauses at "[**MORE**]".
inline constexpr int32_t kLineCountNoPause = -999;

/// One text window, in character cells (1-based) with its cursor in pixels from the surface's
/// top-left corner. Version 6 places it in units instead (pixels in the window, cells in a
/// terminal), with the properties of GET_WIND_PROP.
struct WindowRec {
    int Top = 0;
    int Left = 0;
    int Width = 0;
    int Height = 0;
    int32_t CursorX = 0;
    int32_t CursorY = 0; ///< the top of the line the next text is drawn on
    uint8_t Style = 0;
    int Font = kFontNormal; ///< SET_FONT's font: 1, 3 (character graphics) or 4 (fixed pitch)
    bool Buffered = false;  ///< word buffering; only the lower window's flag is used

    // Version 6 (the cursor above stays in surface pixels, 0-based; it moves with the window).
    int32_t Y = 1; ///< top edge on the screen, 1-based
    int32_t X = 1;
    int32_t YSize = 0;
    int32_t XSize = 0;
    int32_t LeftMargin = 0;
    int32_t RightMargin = 0;
    int32_t Interrupt = 0; ///< the newline interrupt routine (packed), property 8
    int32_t Countdown = 0; ///< new-lines until it is called (0: never), property 9
    int Attributes = 0;
    int32_t LineCount = 0; ///< new-lines since the player last read the window
    Colour Fore = kStartForeColour;
    Colour Back = kStartBackColour;
    int32_t ColourNumbers = kStartForeColourNumber | (kStartBackColourNumber << 8); ///< prop. 11
    int32_t TrueFore = 0x0000; ///< property 16 (a 15-bit colour)
    int32_t TrueBack = 0x7FFF; ///< property 17
    bool WrapClipped = false;  ///< wrapping is off and the line reached the right margin
};

/// The screen model: a lower (scrolling) and an upper window on one drawing surface, with
/// cursors, styles and colours, and the text output with wrapping, scrolling and paging.
/// Story window 0 is the lower window, 1 the upper one; other numbers are ignored.
class zScreen {
  public:
    explicit zScreen(Surface& surface);

    /// Hands over the surface to draw on and gives it the starting colours.
    void SetSurface(Surface& surface);
    /// The colours the screen starts in and that colour 1 (the default) stands for; black on
    /// white unless the player chose others. The header's default colours are not changed.
    void SetDefaultColours(Colour fore, Colour back);
    /// Whether the story's own colours are shown (the default); without them text keeps the
    /// default colours whatever the story sets.
    void SetStoryColours(bool shown) { m_storyColours = shown; }
    Surface& GetSurface() { return *m_surface; }
    /// The story's character set, which turns the ZSCII text drawn into Unicode (the map must
    /// outlive the screen; without one the default table applies).
    void SetCharMap(const CharMap& chars) { m_chars = &chars; }
    const CharMap& Chars() const { return m_chars ? *m_chars : m_defaultChars; }

    int32_t LinesPrinted() const { return m_v6 ? Current().LineCount : m_linesPrinted; }
    /// Lines printed since the player last saw the screen; in version 6 every window's line
    /// count (but those that never pause).
    void SetLinesPrinted(int32_t lines);
    int CharWidth() const { return m_charWidth; }
    int CharHeight() const { return m_charHeight; }
    int ScreenWidth() const { return m_screenWidth; }
    int ScreenHeight() const { return m_screenHeight; }
    void SetScreenWidth(int width) { m_screenWidth = width > 0 ? width : 0; }
    void SetScreenHeight(int height) { m_screenHeight = height > 0 ? height : 0; }

    /// Measures the character cell and lays the lower window over the whole screen.
    void SetupScreen();
    /// The display changed size: the surface becomes width x height pixels (at least the
    /// minimum screen), keeping what still fits, and the screen takes it in whole cells. The
    /// upper window keeps its cells (cut or padded); the lower window keeps its lines and the
    /// cursor's line stays in view, its top lines scrolling away when rows are lost. A new
    /// character cell (another font) lays the text out again from the screen's text.
    void Resize(int width, int height);
    /// Fills the current window's cursor line to the surface's right edge in the text's
    /// background colour (the status line's band).
    void FillLine();
    /// Story colour numbers 1 to 12 (1 the default); 0 and others leave that side unchanged.
    void SetColor(int foreColor, int backColor);
    /// Colours as 15-bit true colours (5 bits each of red, green and blue from the low end);
    /// -1 (65535) is the default of that side; other values above 32767 leave it unchanged.
    void SetTrueColor(int foreColor, int backColor);
    /// Gives the upper window `lines` lines (clamped to the screen) and the lower one the rest.
    void SplitWindow(int lines);
    void SetWindow(int windowNo);
    /// Erases window 0 or 1; -1 erases the whole screen and unsplits it, -2 erases it and keeps
    /// the split.
    void EraseWindow(int windowNo);
    void EraseLine(int value, int version);
    /// Moves the cursor of the current window, or of story window `window` when it is 1 (a
    /// version 6 story's third operand), to (line, column), clamped to that window.
    void SetCursor(int line, int column, int version, int window);
    /// (line, column), 1-based, of the current window's cursor.
    std::pair<int, int> GetCursor() const;
    int GetTextStyle() const;
    /// Adds style bits to the current window's style; 0 clears them all.
    void SetTextStyle(int style);
    void BufferMode(int flag);
    /// Story window 0 or 1 in font 1 (normal), 3 (character graphics) or 4 (fixed pitch); fonts
    /// 3 and 4 are drawn in the fixed-pitch face. Other fonts change nothing.
    void SetFont(int windowNo, int font);
    /// The story's number of the current window: 0 lower, 1 upper.
    int CurrentWindow() const { return m_currentWindow; }

    /// ZSCII text as the current window shows it, in UTF-8 (in font 3, the graphics).
    std::string ShownText(std::string_view zscii) const {
        return Chars().ToUtf8(zscii, Current().Font == kFontGraphics);
    }
    /// The same into shown, which it replaces (a buffer the caller keeps).
    void ShownText(std::string_view zscii, std::string& shown) const {
        Chars().ToUtf8(zscii, Current().Font == kFontGraphics, shown);
    }
    /// Draws ZSCII text in the current window; returns what was not drawn because the lower window
    /// filled and needs a "[**MORE**]" pause (empty when everything was drawn). After a pause
    /// the caller passes the remainder back with eraseLastLine set; such a call always draws
    /// something before it pauses again.
    std::string OutPut(std::string_view outStr, bool eraseLastLine);
    /// The first piece of text to draw: a word with its space when the lower window buffers,
    /// else one character.
    std::string_view NextWord(std::string_view text) const;
    /// Asks for the whole display to be shown again.
    void UpdateDisplay();
    /// Rubs out the given characters left of the cursor (backspace in line input).
    void DeleteChar(std::string_view chars);
    /// Rubs out the current window's text from (x, y) to the cursor, over as many lines as it
    /// takes, and moves the cursor back there (the edited part of a line being typed, the last
    /// `characters` characters drawn).
    void RubOutTo(PixelPoint from, size_t characters);
    /// The width of ZSCII text in the current window's font.
    int MeasureZscii(std::string_view text);
    /// Times the lower window has scrolled: what was drawn before has moved up a line each.
    uint64_t Scrolls() const { return m_scrolls; }
    /// Rows of pixels (cells) that scrolling has moved what was drawn up, in every version.
    uint64_t ScrolledPixels() const { return m_scrolledPixels; }

    // ---- Version 6 (the complete Z-machine): eight windows placed in units -----------------
    // A unit is a pixel of the surface: a pixel in the window, a cell in a terminal. Window
    // numbers are 0 to 7, or -3 for the current window; others are ignored.

    /// Lays out version 6's eight windows on the erased screen (Standard 8.8.3.3): window 0
    /// the whole screen, the others at the top left with no size. The screen is the surface,
    /// or the largest part of it in the proportions of the screen the story's pictures were
    /// made for. Until LeaveVersion6 the
    /// window opcodes and the text output follow version 6's rules.
    void StartVersion6();
    void LeaveVersion6();
    bool Version6() const { return m_v6; }
    /// The window a story's number names (-3: the current one); nothing when out of range.
    std::optional<int> WindowNumber(int number) const;
    /// A window of version 6 as it stands.
    const WindowRec& Window6(int windowNo) const {
        return m_windows[static_cast<size_t>(std::clamp(windowNo, 0, kWindowCount - 1))];
    }
    /// The rectangle of a window on the surface: in version 6 its place in units, otherwise
    /// its cells.
    Rect WindowArea(int windowNo) const;
    /// SPLIT_WINDOW: window 1 at the top, `units` high; window 0 below it, the rest.
    void SplitUnits(int32_t units);
    /// SET_WINDOW: selects the window, whose cursor stays where it was.
    void SelectWindow(int windowNo);
    void MoveWindow(int windowNo, int32_t y, int32_t x);
    void SizeWindow(int windowNo, int32_t height, int32_t width);
    /// WINDOW_STYLE: operation 0 sets the attributes, 1 adds, 2 clears and 3 flips them.
    void SetWindowStyle(int windowNo, int flags, int operation);
    int32_t WindowProperty(int windowNo, int property);
    /// PUT_WIND_PROP: properties 0 to 15, each through the rules of the opcode that sets it;
    /// false for a property that cannot be written.
    bool PutWindowProperty(int windowNo, int property, int32_t value);
    /// SCROLL_WINDOW: the window's contents move up by `units` (down when negative).
    void ScrollWindow(int windowNo, int32_t units);
    void SetMargins(int32_t left, int32_t right, int windowNo);
    /// SET_CURSOR: (y, x) in the window; y -1 hides the cursor and -2 shows it.
    void PlaceCursor(int32_t y, int32_t x, int windowNo);
    /// GET_CURSOR: the current window's cursor, (y, x) from (1, 1).
    std::pair<int32_t, int32_t> CursorInWindow() const;
    /// Whether the cursor is to be seen (a version 6 story hides and shows it by SET_CURSOR).
    bool CursorShown() const { return !m_v6 || m_cursorShown; }
    /// SET_COLOUR with colour numbers (-1 the colour under the cursor).
    void SetWindowColours(int fore, int back, int windowNo);
    /// SET_TRUE_COLOUR: 15-bit colours, -1 default, -2 current, -3 under the cursor.
    void SetWindowTrueColours(int32_t fore, int32_t back, int windowNo);
    /// SET_FONT for a window: the font it had, or 0 when the font is not there.
    int SetWindowFont(int font, int windowNo);
    /// A window's font size in units: (height, width of "0").
    std::pair<int, int> FontSize(int windowNo);
    /// ERASE_WINDOW: a window, or -1 (the screen, and the split undone) or -2 (the screen).
    void EraseWindow6(int windowNo);
    /// ERASE_LINE: from the cursor to the right margin (1), or that many units.
    void EraseLine6(int32_t units);
    /// MOUSE_WINDOW: clicks count only inside this window (-1: anywhere).
    void SetMouseWindow(int windowNo);
    /// Whether a click at (x, y) in units from (1, 1) lies where the story takes clicks.
    bool TakesClick(int32_t x, int32_t y) const;
    /// Called for a window's newline interrupt routine (property 8); afterNewLine calls it once
    /// the new line has been begun, as one story expects (Standard 8.8.3.2.2.1).
    void SetNewlineInterrupt(std::function<void(int32_t routine)> call, bool afterNewLine) {
        m_onInterrupt = std::move(call);
        m_interruptAfterNewLine = afterNewLine;
    }

    /// The story's pictures (none: no picture exists).
    void SetPictures(std::shared_ptr<const PictureSet> pictures) {
        m_pictures = std::move(pictures);
    }
    /// Whether pictures can be shown: there are some, and the surface draws them.
    bool PicturesShown() const { return m_pictures && m_surface->DrawsPictures(); }
    const PictureSet* Pictures() const { return PicturesShown() ? m_pictures.get() : nullptr; }
    /// The story's pictures, shown or not.
    const PictureSet* PictureFile() const { return m_pictures.get(); }
    /// A picture's size on this screen, in units (where pictures are not shown, the place it
    /// keeps); nothing for a picture that is not there.
    std::optional<PictureSize> PictureSizeOf(uint32_t number) const;
    /// DRAW_PICTURE and ERASE_PICTURE in the current window at (y, x) from its top left (0:
    /// the cursor's); false for a picture that is not there.
    bool DrawPicture(uint32_t number, int32_t y, int32_t x);
    bool ErasePicture(uint32_t number, int32_t y, int32_t x);

    /// Where the caret of a line being typed stands (nothing while no line is read); the
    /// front-ends show it there.
    void SetInputCaret(std::optional<PixelPoint> caret) { m_inputCaret = caret; }
    const std::optional<PixelPoint>& InputCaret() const { return m_inputCaret; }
    /// The height of the caret: a line of the current window's text.
    int CaretHeight() const { return m_v6 ? m_lineHeight6 : m_charHeight; }
    /// Where the player's attention is: the caret of a line being typed, else the cursor.
    PixelPoint CaretPosition() const;

    /// Whether the screen keeps a record of its text and looks (on by default), from which it
    /// draws itself again when its size or font changes; without one a new size keeps the
    /// pixels that still fit. Version 6 keeps none: its screen is shown scaled instead.
    void KeepText(bool keep);
    /// What the screen shows now.
    ScreenSnapshot Snapshot() const;
    /// The upper window's rows as text (as in a snapshot), and the same drawn again over the
    /// upper window, split to their number (a program's game put back).
    std::vector<std::string> UpperRows() const;
    void ShowUpperRows(const std::vector<std::string>& rows);
    /// Shows a snapshot again on an erased screen, laid out at the screen's size: the upper
    /// window split as it was, the lower window's text wrapped again with its cursor after it,
    /// and the story's colours and styles as they were.
    void ShowSnapshot(const ScreenSnapshot& snapshot);

    /// The window with story number 0 or 1 (0 to 7 in version 6), for front-ends and tests.
    const WindowRec& Window(int windowNo) const {
        return m_windows[static_cast<size_t>(
            windowNo >= 1 && windowNo < (m_v6 ? kWindowCount : 2) ? windowNo : 0)];
    }
    /// Whether text printed now goes to the transcript: the lower window's, or in version 6
    /// that of a window with the transcript attribute.
    bool Transcribed() const {
        return m_v6 ? (Current().Attributes & kAttrTranscript) != 0 : m_currentWindow == 0;
    }
    /// The colours set by SET_COLOUR (or the starting ones).
    Colour StoredForeColor() const { return m_storedForeColor; }
    Colour StoredBackColor() const { return m_storedBackColor; }
    bool ScreenReady() const { return m_screenReady; }
    /// True while a "[**MORE**]" prompt stands, until output resumes with eraseLastLine. A page
    /// that fills at a line break at the very end of a text shows it with nothing left to draw.
    bool PromptShown() const { return m_promptShown; }

  private:
    // Version 6.
    WindowRec& At6(int windowNo) { return m_windows[static_cast<size_t>(windowNo)]; }
    /// The window's rectangle on the surface, 0-based, in 64 bits (windows may lie far off).
    struct Area {
        int64_t left, top, right, bottom;
    };
    static Area AreaOf(const WindowRec& window);
    /// The cursor's x and y from the window's top left, 1-based.
    static int32_t RelativeX(const WindowRec& window) {
        return window.CursorX - (window.X - 1) + 1;
    }
    static int32_t RelativeY(const WindowRec& window) {
        return window.CursorY - (window.Y - 1) + 1;
    }
    /// Puts a window's cursor at (y, x) from its top left, kept within a range that no sum
    /// overflows.
    static void SetRelativeCursor(WindowRec& window, int64_t y, int64_t x);
    /// The current window's colours and font to the surface.
    void ApplyWindow6();
    /// The height of a line in the current window.
    int LineHeight();
    /// Text output of version 6 (see OutPut).
    std::string OutPut6(std::string_view outStr, bool eraseLastLine);
    /// Begins a new line in the current window: the left margin of the next line, scrolling
    /// when it has no room, and the newline interrupt. True when the window has filled with
    /// lines the player has not seen (a "[**MORE**]" is due).
    bool NewLine6();
    /// Makes room for a line at the current window's cursor, scrolling when the window does.
    void MakeRoom6(int lineHeight);
    /// Limits text to the current window between its margins; false when none of it shows.
    bool ClipToWindow6();
    /// Shows "[**MORE**]" on the current window's new line and gives back the text not drawn.
    std::string PageBreak6(std::string_view rest);
    /// The surface follows a new display size; the story lays its windows out again.
    void Resize6(int width, int height);
    /// Takes a display of width x height as the screen (see StartVersion6).
    void FitScreen6(int width, int height);
    /// Moves a window area's pixels up by `units` (down when negative), filling what is left.
    void ScrollArea(const Area& area, int64_t units, Colour back);
    void FillArea(int64_t left, int64_t top, int64_t right, int64_t bottom, Colour colour);
    /// A colour number or true colour resolved for a window (nothing: leave it as it is).
    std::optional<std::pair<Colour, int32_t>> ColourNumber(int number, bool fore,
                                                           const WindowRec& window) const;
    /// The picture placed at (y, x) of the current window, or nothing.
    std::optional<Area> PicturePlace(uint32_t number, int32_t y, int32_t x) const;

    WindowRec& Current() { return m_windows[static_cast<size_t>(m_currentWindow)]; }
    const WindowRec& Current() const { return m_windows[static_cast<size_t>(m_currentWindow)]; }
    /// The pixel rectangle of a window.
    Rect WindowRect(const WindowRec& window) const;
    /// Where the current window's text stands: the window, within its margins in version 6.
    Rect TextBounds() const;
    /// Whole text lines on the screen.
    int ScreenLines() const { return m_screenHeight / m_charHeight; }
    /// Selects the current window's font and colours from its style.
    void ApplyStyle();
    void SelectFont(bool fixedPitch, bool bold, bool italic);
    /// Fills a rectangle with the current background colour.
    void Fill(int64_t left, int64_t top, int64_t right, int64_t bottom);
    /// A window's rectangle reaching the surface's right and bottom edges where less than a
    /// cell lies beyond them, so that erasing leaves no strip of an older colour there.
    Rect ToSurfaceEdges(Rect area) const;
    /// Whole screen rows (at least the minimum) in height pixels, and columns in width.
    int RowsIn(int height) const { return std::max(height / m_charHeight, kMinimumRows); }
    int ColumnsIn(int width) const { return std::max(width / m_charWidth, kMinimumColumns); }
    /// Measures the character cell of the fixed-pitch font.
    void MeasureCell();
    /// The text of screen row `row`, blanks at its end dropped.
    std::string RowText(int row) const;
    /// Moves the cursor down one line; in the upper window it stops one line below the screen.
    void NewLine(WindowRec& window);
    /// Scrolls the lower window up by one line.
    void Scroll(const Rect& area);

    // The record of the text (ScreenRedraw.cpp).
    /// The look text drawn now in the current window takes.
    Appearance CurrentLook() const {
        return {Current().Style, static_cast<uint8_t>(Current().Font), m_foreInk, m_backInk};
    }
    /// The colour a kept colour stands for now.
    Colour Ink(Colour kept) const {
        return kept == kDefaultForeInk   ? m_gameFore
               : kept == kDefaultBackInk ? m_gameBack
                                         : kept;
    }
    /// Sets the story's colours (kept colours, see Ink).
    void SetInks(Colour fore, Colour back);
    /// Selects the font and colours of a look, in the upper window (fixed pitch) or the lower.
    void ApplyLook(const Appearance& look, bool upper);
    /// The width of text drawn in a look (see Drawn).
    int MeasureLook(std::string_view text, const Appearance& look, bool upper);
    /// Keeps text drawn at (x, y) in the current window in the record.
    void RecordDrawn(int x, int y, std::string_view drawn);
    /// Keeps a line break of the lower window in the record; `scrolled` when the new line
    /// scrolled in.
    void RecordBreak(bool scrolled);
    /// Draws the whole screen again from the record, at the windows' sizes now.
    void Redraw();
    void DrawUpperRows();
    void DrawLowerLines();
    /// Where each line of the lower window's text starts when wrapped at width pixels: a
    /// paragraph, a run in it and a byte in that run.
    struct LineStart {
        size_t Paragraph = 0;
        size_t Run = 0;
        size_t Offset = 0;
    };
    std::vector<LineStart> Layout(size_t firstParagraph, size_t endParagraph, int width);
    /// Draws line `index` of a layout at y; gives where its text ends across.
    int DrawLine(const std::vector<LineStart>& lines, size_t index, int y);
    /// Drops the oldest paragraphs beyond the record's limits, and their lines from the count
    /// of lines in the surface's history.
    void TrimRecord();

    /// ZSCII text as shown (see ShownText), in a buffer the screen keeps: valid until the next
    /// call.
    const std::string& Shown(std::string_view zscii) {
        ShownText(zscii, m_shown);
        return m_shown;
    }
    /// ZSCII text as the current window draws it (UTF-8), in a buffer the screen keeps: as
    /// shown (see ShownText), except that font 3's glyphs keep their codes (ASCII 32 to 126)
    /// for the surface to draw.
    const std::string& Drawn(std::string_view zscii) {
        Chars().ToUtf8(zscii, false, m_shown);
        return m_shown;
    }
    /// The width of text as drawn (UTF-8): in font 3, one cell for each glyph.
    int MeasureShown(std::string_view shown);
    /// Draws text as drawn (see Drawn) in the current window.
    void DrawShown(int x, int y, std::string_view shown);
    /// Draws text of font 3 as drawn: ASCII 32 to 126 are its glyphs, a cell each.
    void DrawGraphicsText(int x, int y, std::string_view text);

    Surface* m_surface;
    std::string m_shown; ///< see Shown
    const CharMap* m_chars = nullptr;
    CharMap m_defaultChars;
    int32_t m_linesPrinted = 0;
    int m_charWidth = 1;
    int m_charHeight = 1;
    int m_screenWidth = 0;
    int m_screenHeight = 0;
    Colour m_storedBackColor = kStartBackColour;
    Colour m_storedForeColor = kStartForeColour;
    Colour m_defaultFore = kStartForeColour;
    Colour m_defaultBack = kStartBackColour;
    /// The default colours of the game being played: those of when it started.
    Colour m_gameFore = kStartForeColour;
    Colour m_gameBack = kStartBackColour;
    bool m_storyColours = true;
    bool m_screenReady = false;
    std::array<WindowRec, kWindowCount> m_windows{}; ///< [0] lower, [1] upper (and 2-7 in v6)
    int m_currentWindow = 0;
    /// Where the "[**MORE**]" prompt stands until the resumed output erases it.
    bool m_promptShown = false;
    int32_t m_promptY = 0;
    int32_t m_promptX = 0;
    uint64_t m_scrolls = 0;
    uint64_t m_scrolledPixels = 0; ///< rows of pixels the scrolls moved what was drawn up
    std::optional<PixelPoint> m_inputCaret;
    /// The story's colours as kept in the record (see Ink).
    Colour m_foreInk = kDefaultForeInk;
    Colour m_backInk = kDefaultBackInk;
    bool m_keepText = true;
    bool m_keepTextAsked = true; ///< what KeepText was told, outside version 6
    CellGrid m_upperText;
    TextFlow m_lowerText;
    Colour m_lowerFill = kDefaultBackInk; ///< what the lower window was last erased in
    /// Lines of the lower window's kept text that scrolled into the surface's history.
    int m_linesInHistory = 0;
    // Version 6.
    bool m_v6 = false;
    int m_lineHeight6 = 1; ///< of the current window's font
    bool m_cursorShown = true;
    int m_mouseWindow = 1;
    std::function<void(int32_t)> m_onInterrupt;
    bool m_interruptAfterNewLine = false;
    int m_interruptDepth = 0;
    std::shared_ptr<const PictureSet> m_pictures;
};

} // namespace lantern
