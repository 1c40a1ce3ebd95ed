#include "console/TerminalScreen.h"

#include "StopSignals.h"
#include "input/Keys.h"
#include "text/CharMap.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <langinfo.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>
#include <utility>

// The curses functions as functions: its macros would take over names such as move and clear.
#define NCURSES_NOMACROS
#include <curses.h>
#include <term.h>

namespace lantern {

namespace {

// How long a bare Escape waits for the rest of a key's sequence, in milliseconds: far shorter
// than any two keys a person types, far longer than a terminal takes to send one sequence.
constexpr int kEscapeDelayMs = 40;

// What puts the terminal back as it was, kept where a signal handler can reach it.
termios g_shellModes;
int g_terminalFd = -1;
char g_resetText[256];
size_t g_resetLength = 0;
volatile std::sig_atomic_t g_taken = 0;
volatile std::sig_atomic_t g_clicks = 0; ///< the terminal reports the mouse
FILE* g_input = nullptr;
FILE* g_output = nullptr;

// Only async-signal-safe calls: it also runs from signal handlers, where curses may be in the
// middle of anything.
void EmergencyRestore() {
    if (!g_taken)
        return;
    [[maybe_unused]] const ssize_t written = write(g_terminalFd, g_resetText, g_resetLength);
    if (g_clicks != 0) {
        // The mouse reports curses turns on in xterm's kinds of terminal.
        static constexpr char kMouseOff[] = "\033[?1006l\033[?1002l\033[?1000l";
        [[maybe_unused]] const ssize_t off = write(g_terminalFd, kMouseOff, sizeof kMouseOff - 1);
        g_clicks = 0;
    }
    tcsetattr(g_terminalFd, TCSAFLUSH, &g_shellModes);
    g_taken = 0;
}

extern "C" void OnFatalSignal(int signal) {
    EmergencyRestore();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The text of a string capability of the terminal's description, or nothing.
const char* Capability(const char* name) {
    const char* text = tigetstr(name);
    // (char*) -1 names a capability that is not a string.
    return reinterpret_cast<std::intptr_t>(text) == -1 ? nullptr : text;
}

// Keeps a capability's text for the emergency, if there is room.
void AppendReset(const char* name) {
    const char* text = Capability(name);
    if (text == nullptr)
        return;
    const size_t length = std::strlen(text);
    if (g_resetLength + length < sizeof g_resetText) {
        std::copy_n(text, length, g_resetText + g_resetLength);
        g_resetLength += length;
    }
}

// As many colours as there are RGB values: colour numbers are RGB values themselves.
constexpr int kTrueColours = 1 << 24;

// Whether the terminal says it shows any RGB colour, as terminals that do say in COLORTERM.
bool TrueColourClaimed() {
    const char* claim = std::getenv("COLORTERM");
    return claim != nullptr &&
           (std::strcmp(claim, "truecolor") == 0 || std::strcmp(claim, "24bit") == 0);
}

// Whether the description of a terminal type says that it shows any RGB colour (the flag RGB,
// or tmux's Tc) without RGB colour numbers. Read without starting curses, which writes.
bool DescribedTrueColour(const char* type, int fd) {
    int error = 0;
    if (setupterm(type, fd, &error) != OK)
        return false;
    const bool described =
        tigetnum("colors") < kTrueColours && (tigetflag("RGB") > 0 || tigetflag("Tc") > 0);
    del_curterm(cur_term);
    return described;
}

// Whether the terminfo database describes a terminal type, found out without newterm, which
// keeps what it allocated for a set-up that failed until the program ends.
bool Described(const char* type, int fd) {
    int error = 0;
    if (setupterm(type, fd, &error) != OK)
        return false;
    del_curterm(cur_term);
    return true;
}

// The terminal description for the same type with RGB colour numbers, as the terminfo
// database names them ("xterm-256color", "xterm-direct"); nothing for a type that is one.
std::string DirectType(std::string_view type) {
    if (type.empty() || type.ends_with("-direct"))
        return {};
    for (const std::string_view colours : {"-256color", "-88color", "-16color", "-color"}) {
        if (type.ends_with(colours)) {
            type.remove_suffix(colours.size());
            break;
        }
    }
    return std::string(type) + "-direct";
}

// Typed text and the screen in UTF-8, whatever the environment's locale says, as before.
void UseUtf8() {
    if (std::setlocale(LC_CTYPE, "") && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0)
        return;
    if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
        std::setlocale(LC_CTYPE, "C.utf8");
}

} // namespace

TerminalScreen::TerminalScreen(int inputFd, int outputFd, const char* type) : m_inputFd(inputFd) {
    if (g_taken) {
        m_problem = "the terminal is already taken";
        return;
    }
    UseUtf8();
    if (isatty(inputFd) && tcgetattr(inputFd, &g_shellModes) == 0)
        g_terminalFd = inputFd;
    // curses reads and writes through streams of its own, on copies of the descriptors.
    g_input = fdopen(dup(inputFd), "r");
    g_output = fdopen(dup(outputFd), "w");
    if (!g_input || !g_output || !Start(type)) {
        m_problem = "its type (TERM) is not known here";
        Restore();
        return;
    }
    if (!Capability("cup")) {
        m_problem = "it cannot place its cursor";
        Restore();
        return;
    }
    cbreak(); // Ctrl-C still raises SIGINT, so that the program can be stopped
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(kEscapeDelayMs);
    leaveok(stdscr, FALSE);
    if (has_colors() && start_color() == OK) {
        use_default_colors();
        m_colours = true;
        m_trueColour = COLORS >= kTrueColours;
    }
    if (g_terminalFd >= 0) {
        // Ctrl-S, Ctrl-Q and Ctrl-V are keys like the others.
        termios modes{};
        if (tcgetattr(g_terminalFd, &modes) == 0) {
            modes.c_iflag &= ~static_cast<tcflag_t>(IXON);
            modes.c_lflag &= ~static_cast<tcflag_t>(IEXTEN);
            tcsetattr(g_terminalFd, TCSADRAIN, &modes);
            def_prog_mode();
        }
        for (const char* name : {"sgr0", "cnorm", "rmkx", "rmcup"})
            AppendReset(name);
        g_taken = 1;
        std::atexit(EmergencyRestore);
        // SIGINT, SIGTERM and SIGHUP end the game cleanly (StopSignals); a second one, and
        // the signals that end the program at once, restore the terminal first.
        SetEmergencyCleanup(EmergencyRestore);
        for (int signal : {SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE})
            std::signal(signal, OnFatalSignal);
    }
}

bool TerminalScreen::Start(const char* type) {
    const char* name = type != nullptr ? type : std::getenv("TERM");
    const std::string direct = DirectType(name != nullptr ? name : "");
    const int fd = fileno(g_output);
    if (!direct.empty() && (TrueColourClaimed() || DescribedTrueColour(name, fd)) &&
        Described(direct.c_str(), fd))
        m_screen = newterm(direct.c_str(), g_output, g_input);
    if (!m_screen && Described(type, fd))
        m_screen = newterm(type, g_output, g_input);
    return m_screen != nullptr;
}

TerminalScreen::~TerminalScreen() {
    Restore();
}

void TerminalScreen::Restore() {
    if (m_screen) {
        ReportClicks(false);
        if (m_cursorHidden)
            curs_set(1);
        endwin();
        delscreen(m_screen);
        m_screen = nullptr;
    }
    if (g_input)
        std::fclose(std::exchange(g_input, nullptr));
    if (g_output)
        std::fclose(std::exchange(g_output, nullptr));
    g_taken = 0;
    SetEmergencyCleanup(nullptr);
}

int TerminalScreen::Columns() const {
    return m_screen ? COLS : 0;
}

int TerminalScreen::Rows() const {
    return m_screen ? LINES : 0;
}

int TerminalScreen::TerminalColour(Colour colour) const {
    const int red = static_cast<int>((colour >> 16) & 0xFF);
    const int green = static_cast<int>((colour >> 8) & 0xFF);
    const int blue = static_cast<int>(colour & 0xFF);
    auto full = [](int channel) { return channel == 0 || channel == 255; };
    // The story's eight named colours are the terminal's own eight; but its white, which is
    // grey in most terminals, is the bright white of those that have it.
    if (full(red) && full(green) && full(blue)) {
        if (colour == Rgb(255, 255, 255) && (m_trueColour || COLORS >= 16))
            return m_trueColour ? static_cast<int>(colour) : 15;
        return (red != 0 ? COLOR_RED : 0) | (green != 0 ? COLOR_GREEN : 0) |
               (blue != 0 ? COLOR_BLUE : 0);
    }
    // Numbers below 8 are the eight even in true colour: the nearly black ones step aside.
    if (m_trueColour)
        return std::max(static_cast<int>(colour), 8);
    if (COLORS < 256)
        return (red >= 128 ? COLOR_RED : 0) | (green >= 128 ? COLOR_GREEN : 0) |
               (blue >= 128 ? COLOR_BLUE : 0);
    // Others the nearest of the 6x6x6 colour cube of 256-colour terminals, or of its greys.
    auto level = [](int channel) {
        return channel < 48 ? 0 : channel < 115 ? 1 : (channel - 35) / 40;
    };
    if (red == green && green == blue)
        return red < 8 ? 16 : red > 238 ? 231 : 232 + (red - 8) / 10;
    return 16 + 36 * level(red) + 6 * level(green) + level(blue);
}

void TerminalScreen::CellLook(const CellSurface::Cell& cell, unsigned& attributes, int& pair) {
    attributes = A_NORMAL;
    if (cell.bold)
        attributes |= A_BOLD;
    if (cell.italic)
        attributes |= A_ITALIC;
    pair = 0;
    Colour text = cell.text;
    Colour back = cell.back;
    // The terminal's own background as the text's colour (or its own text colour as the
    // background) is the terminal's reverse video of the other side.
    if (text == kOwnBack || back == kOwnText) {
        attributes |= A_REVERSE;
        std::swap(text, back);
    }
    const bool ownText = text == kOwnText || text == kOwnBack;
    const bool ownBack = back == kOwnText || back == kOwnBack;
    if ((ownText && ownBack) || !m_colours)
        return;
    pair = std::max(
        alloc_pair(ownText ? -1 : TerminalColour(text), ownBack ? -1 : TerminalColour(back)), 0);
}

void TerminalScreen::Draw(const CellSurface& surface, const Rect& area, PixelPoint origin) {
    if (!m_screen)
        return;
    // Only what the terminal has room for.
    const int top = std::max(area.top, origin.y);
    const int bottom = std::min(area.bottom, origin.y + LINES);
    const int left = std::max(area.left, origin.x);
    const int right = std::min(area.right, origin.x + COLS);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const CellSurface::Cell& cell = surface.CellAt(x, y);
            unsigned attributes = 0;
            int pair = 0;
            CellLook(cell, attributes, pair);
            // Control characters never reach the terminal, and a character that does not
            // take exactly one cell there would move everything after it.
            wchar_t text[2] = {L' ', 0};
            if (IsPrintableUnicode(cell.ch))
                text[0] = wcwidth(static_cast<wchar_t>(cell.ch)) == 1
                              ? static_cast<wchar_t>(cell.ch)
                              : L'?';
            cchar_t look{};
            setcchar(&look, text, attributes, static_cast<short>(pair), &pair);
            mvadd_wch(y - origin.y, x - origin.x, &look);
        }
    }
}

void TerminalScreen::Clear() {
    if (!m_screen)
        return;
    erase();
    clearok(curscr, TRUE);
}

namespace {

// The cells a printable character takes on a bar: as the terminal says, and one when it does
// not know the character.
int CellsOf(char32_t c) {
    const int cells = wcwidth(static_cast<wchar_t>(c));
    return cells < 0 ? 1 : cells;
}

} // namespace

void TerminalScreen::DrawBar(int row, std::string_view text) {
    if (!m_screen)
        return;
    move(row, 0);
    clrtoeol();
    attron(A_REVERSE);
    for (const char32_t c : DecodeUtf8(PrintableText(text))) {
        const wchar_t one[2] = {static_cast<wchar_t>(c), 0};
        addnwstr(one, 1);
    }
    attroff(A_REVERSE);
}

int TerminalScreen::Width(std::string_view text) {
    int cells = 0;
    for (const char32_t c : DecodeUtf8(PrintableText(text)))
        cells += CellsOf(c);
    return cells;
}

std::vector<std::string> TerminalScreen::Wrap(std::string_view text) const {
    const int cellsAcross = std::max(m_screen ? COLS : 80, 1);
    const std::u32string all = DecodeUtf8(PrintableText(text));
    std::vector<std::string> wrapped;
    std::string line;
    int used = 0; // the cells of line
    auto endLine = [&] {
        wrapped.push_back(std::exchange(line, std::string()));
        used = 0;
    };
    int spaces = 0; // the spaces before the next word
    for (size_t i = 0; i < all.size();) {
        if (all[i] == ' ') {
            ++spaces;
            ++i;
            continue;
        }
        size_t end = i;
        int wordCells = 0;
        for (; end < all.size() && all[end] != ' '; ++end)
            wordCells += CellsOf(all[end]);
        // A word that does not fit after the spaces starts the next line; one longer than a
        // line is cut where the line ends.
        if (used > 0 && used + spaces + wordCells > cellsAcross) {
            endLine();
        } else if (used + spaces <= cellsAcross) {
            line.append(static_cast<size_t>(spaces), ' ');
            used += spaces;
        }
        spaces = 0;
        for (; i < end; ++i) {
            const int cells = CellsOf(all[i]);
            if (used > 0 && used + cells > cellsAcross)
                endLine();
            AppendUtf8(line, all[i]);
            used += cells;
        }
    }
    if (!line.empty() || wrapped.empty())
        wrapped.push_back(line);
    return wrapped;
}

void TerminalScreen::DiscardTypedAhead() {
    if (m_screen)
        flushinp();
}

void TerminalScreen::Show(int x, int y, bool cursorShown) {
    if (!m_screen)
        return;
    if (cursorShown == m_cursorHidden)
        m_cursorHidden = curs_set(cursorShown ? 1 : 0) != ERR && !cursorShown;
    move(std::clamp(y, 0, LINES - 1), std::clamp(x, 0, COLS - 1));
    refresh();
}

void TerminalScreen::Beep() {
    if (m_screen)
        beep();
}

int TerminalScreen::CursesKey(int code) {
    switch (code) {
    case KEY_UP: return kKeyUp;
    case KEY_DOWN: return kKeyDown;
    case KEY_LEFT: return kKeyLeft;
    case KEY_RIGHT: return kKeyRight;
    case KEY_HOME: return kKeyHome;
    case KEY_END: return kKeyEnd;
    case KEY_DC: return kKeyDelete;
    case KEY_BACKSPACE: return kKeyBackspace;
    case KEY_ENTER: return kKeyEnter;
    // The keypad keys that terminals tell apart from the main ones, where they do.
    case KEY_A1: return KeypadKey(7);
    case KEY_A3: return KeypadKey(9);
    case KEY_B2: return KeypadKey(5);
    case KEY_C1: return KeypadKey(1);
    case KEY_C3: return KeypadKey(3);
    default: break;
    }
    if (code >= KEY_F(1) && code <= KEY_F(12))
        return FunctionKey(code - KEY_F0);
    return 0;
}

TerminalKey TerminalScreen::FromCharacter(uint32_t character) {
    const bool afterCarriageReturn = std::exchange(m_afterCarriageReturn, character == '\r');
    if (character == '\r' || character == '\n') {
        // LF, CR and CR LF (pasted text) each end one line.
        if (character == '\n' && afterCarriageReturn)
            return {};
        return {TerminalKey::Kind::Key, kKeyEnter};
    }
    if (character == 8 || character == 127)
        return {TerminalKey::Kind::Key, kKeyBackspace};
    if (const auto key = ControlKey(character))
        return {TerminalKey::Kind::Key, *key};
    if (character == 27) {
        // Whatever came with the Escape, within the wait for a sequence, is one key that has
        // no code here (Alt and a key, a sequence the terminal's description lacks): it is
        // read whole and dropped. A bare Escape is a key of its own.
        wint_t next = 0;
        timeout(0);
        if (get_wch(&next) == ERR)
            return {TerminalKey::Kind::Key, kKeyEscape};
        if (next == '[' || next == 'O') {
            // The parameters and the final character of a control sequence.
            while (get_wch(&next) == OK && !(next >= 0x40 && next <= 0x7E)) {
            }
        }
        return {};
    }
    // Other control characters arrive as what they are (Ctrl-D gives up a file question);
    // the keyboard types none of them.
    return {TerminalKey::Kind::Character, static_cast<int>(character)};
}

bool TerminalScreen::HasMouse() const {
    return m_screen != nullptr && Capability("kmous") != nullptr;
}

void TerminalScreen::ReportClicks(bool on) {
    if (!m_screen || on == m_clicks || (on && !HasMouse()))
        return;
    // A double click is told from two clicks by curses, within its usual interval.
    const mmask_t wanted = on ? BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED : 0;
    m_clicks = mousemask(wanted, nullptr) != 0;
    g_clicks = m_clicks ? 1 : 0;
}

TerminalKey TerminalScreen::ReadKey(int timeoutMs) {
    if (!m_screen)
        return {TerminalKey::Kind::Ended, 0};
    // Keys curses has already read come first; then the terminal, as long as the wait lasts.
    wint_t code = 0;
    timeout(0);
    int got = get_wch(&code);
    if (got == ERR) {
        std::array<pollfd, 2> fds{{{m_inputFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}}};
        const nfds_t count = m_wakeFd >= 0 ? 2 : 1;
        if (poll(fds.data(), count, timeoutMs) <= 0)
            return {}; // nothing yet, or a signal: the caller looks
        if (count == 2 && (fds[1].revents & POLLIN) != 0) {
            std::array<char, 64> drained{};
            while (read(m_wakeFd, drained.data(), drained.size()) > 0) {
            }
            if ((fds[0].revents & POLLIN) == 0)
                return {TerminalKey::Kind::Woken, 0};
        }
        const pollfd& fd = fds[0];
        got = get_wch(&code);
        if (got == ERR)
            return (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0
                       ? TerminalKey{TerminalKey::Kind::Ended, 0}
                       : TerminalKey{};
    }
    if (got == KEY_CODE_YES) {
        m_afterCarriageReturn = false;
        if (code == KEY_RESIZE)
            return {TerminalKey::Kind::Resized, 0};
        if (code == KEY_MOUSE) {
            MEVENT event{};
            if (getmouse(&event) != OK || event.x < 0 || event.y < 0)
                return {};
            if ((event.bstate & BUTTON1_DOUBLE_CLICKED) != 0)
                return {TerminalKey::Kind::Click, 2, event.x, event.y};
            if ((event.bstate & BUTTON1_CLICKED) != 0)
                return {TerminalKey::Kind::Click, 1, event.x, event.y};
            return {};
        }
        const int key = CursesKey(static_cast<int>(code));
        return key != 0 ? TerminalKey{TerminalKey::Kind::Key, key} : TerminalKey{};
    }
    return FromCharacter(static_cast<uint32_t>(code));
}

} // namespace lantern
