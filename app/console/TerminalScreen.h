#pragma once

#include "platform/Surface.h"
#include "screen/CellSurface.h"
#include "screen/zScreen.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct screen; // curses' SCREEN

namespace lantern {

/// One key read from the terminal: a typed character, or a key of Keys.h.
struct TerminalKey {
    enum class Kind {
        None,      ///< nothing came in time (or a signal came)
        Character, ///< value is a Unicode character
        Key,       ///< value is a key of Keys.h (Enter and Backspace among them)
        Resized,   ///< the terminal changed its size: everything is to be drawn again
        Ended,     ///< the terminal went away
        Click,     ///< a click of the mouse's first button at the terminal's cell (x, y):
                   ///< value 1, or 2 for a double click
        Woken,     ///< the wake-up descriptor was written to (a sound has ended)
    };
    Kind kind = Kind::None;
    int value = 0;
    int x = 0;
    int y = 0;
};

/// The terminal, through curses: it decodes the keys from the terminal's own description
/// (terminfo) and sends the terminal only what changed on the screen. The terminal is taken
/// over for the life of the object and always given back as it was: on destruction, at exit,
/// and on the signals that end the program (Ctrl-C among them).
class TerminalScreen {
  public:
    /// Takes the terminal on inputFd and outputFd over; `type` names its kind (nothing: the
    /// environment's TERM). Active() tells whether it could.
    TerminalScreen(int inputFd, int outputFd, const char* type = nullptr);
    ~TerminalScreen();
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

    /// The colours that stand for the terminal's own text and background colours: the story's
    /// default colours in a terminal. No RGB colour takes these values.
    static constexpr Colour kOwnText = 0x1000000;
    static constexpr Colour kOwnBack = 0x2000000;

    bool Active() const { return m_screen != nullptr; }
    /// Gives the terminal back as it was (also done on destruction).
    void Restore();

    /// The terminal's size in cells.
    int Columns() const;
    int Rows() const;

    /// Puts the cells of `area` on the screen to come, the surface's cell `origin` at the
    /// terminal's top left corner; cells beyond the terminal's edges are left out. kOwnText
    /// and kOwnBack are the terminal's own colours, others are drawn in the nearest colour it
    /// has: any (true colour), one of 256, or one of its eight.
    void Draw(const CellSurface& surface, const Rect& area, PixelPoint origin = {});
    /// Blanks the screen to come and has the next Show draw all of it afresh (after the
    /// terminal changed its size and may have cut or moved its lines its own way).
    void Clear();
    /// Puts text (UTF-8) in reverse video on a row of the screen to come, the rest of the row
    /// blank. Whatever could steer the terminal is shown as "?" (see PrintableText).
    void DrawBar(int row, std::string_view text);
    /// Text (UTF-8) broken into lines that fit the terminal's width, between words where it
    /// can, as DrawBar shows them.
    std::vector<std::string> Wrap(std::string_view text) const;
    /// The number of cells text (UTF-8) takes on a bar.
    static int Width(std::string_view text);
    /// Forgets the keys typed and not yet read.
    void DiscardTypedAhead();
    /// Sends the terminal what changed since the last time, with the cursor at (x, y) of the
    /// terminal, shown or hidden (where the terminal can hide it).
    void Show(int x, int y, bool cursorShown = true);
    /// Reads one key, waiting up to timeoutMs (-1: until one comes). A bare Escape is told
    /// from the start of a key's sequence by a short wait; a key without a code here (Alt and
    /// a letter, an unknown sequence) is read whole and dropped.
    TerminalKey ReadKey(int timeoutMs);
    /// A descriptor that ends a ReadKey's wait when it can be read (what is there is read).
    void SetWakeUp(int fd) { m_wakeFd = fd; }
    void Beep();
    /// Whether the terminal reports the mouse's clicks (its description has them).
    bool HasMouse() const;
    /// Has the terminal report clicks as keys (Kind::Click), or stop; while it does, the
    /// terminal's own selection of text takes Shift in most terminals.
    void ReportClicks(bool on);
    /// Why the terminal could not be taken over, when Active() is false.
    const char* Problem() const { return m_problem; }

  private:
    /// Starts curses on the terminal, of the given type (nothing: TERM's) or, when the
    /// terminal says it shows true colour and its type has a description with RGB colour
    /// numbers, of that type; false when it cannot.
    bool Start(const char* type);
    /// A key that curses decoded (KEY_*), as a key of Keys.h; 0 when it has none.
    static int CursesKey(int code);
    /// What a typed character is to the game: a key, a character, or nothing.
    TerminalKey FromCharacter(uint32_t character);
    /// The colour pair and attributes for a cell's colours and style.
    void CellLook(const CellSurface::Cell& cell, unsigned& attributes, int& pair);
    /// The terminal's colour nearest to an RGB colour.
    int TerminalColour(Colour colour) const;

    ::screen* m_screen = nullptr;
    int m_inputFd;
    int m_wakeFd = -1;
    bool m_afterCarriageReturn = false; ///< the last character read was "\r"
    bool m_colours = false;
    bool m_trueColour = false; ///< colour numbers are RGB values (a "-direct" description)
    bool m_clicks = false;     ///< clicks are reported
    bool m_cursorHidden = false;
    const char* m_problem = "";
};

} // namespace lantern
