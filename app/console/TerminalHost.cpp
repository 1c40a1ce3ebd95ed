#include "console/TerminalHost.h"

#include "StopSignals.h"
#include "memory/StoryError.h"
#include "text/CharMap.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace lantern {

namespace {

termios g_savedTermios;
volatile std::sig_atomic_t g_rawActive = 0;

// Shows the cursor, resets colours and restores the line discipline. Only async-signal-safe
// calls: it also runs from signal handlers.
void RestoreTerminal() {
    if (!g_rawActive)
        return;
    static const char reset[] = "\x1b[0m\x1b[?25h\r\n";
    [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, reset, sizeof reset - 1);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTermios);
    g_rawActive = 0;
}

extern "C" void OnFatalSignal(int signal) {
    RestoreTerminal();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string ColourCode(bool foreground, Colour colour) {
    return std::string("\x1b[") + (foreground ? "38" : "48") + ";2;" +
           std::to_string((colour >> 16) & 0xFF) + ";" + std::to_string((colour >> 8) & 0xFF) +
           ";" + std::to_string(colour & 0xFF) + "m";
}

void AppendCell(std::string& out, char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        out.push_back(' '); // control characters (C0, DEL, C1) take a cell but never reach the terminal
    else
        AppendUtf8(out, c);
}

} // namespace

RawTerminal::RawTerminal() {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_savedTermios) != 0)
        return;
    termios raw = g_savedTermios;
    // No echo, no line editing; Ctrl-C still raises SIGINT so the program can be stopped.
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0)
        return;
    g_rawActive = 1;
    m_active = true;
    std::atexit(RestoreTerminal);
    // SIGINT, SIGTERM and SIGHUP end the game cleanly (StopSignals); a second one, and the
    // signals that end the program at once, restore the terminal first.
    SetEmergencyCleanup(RestoreTerminal);
    for (int signal : {SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE})
        std::signal(signal, OnFatalSignal);
}

RawTerminal::~RawTerminal() {
    Restore();
}

void RawTerminal::Restore() {
    RestoreTerminal();
    SetEmergencyCleanup(nullptr);
}

void TerminalHost::Write(const std::string& text) {
    size_t done = 0;
    while (done < text.size() && m_outputError.empty()) {
        const ssize_t n = write(m_outputFd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            if (StopSignal() != 0)
                return; // the program is ending: the rest of this drawing does not matter
            continue;
        }
        if (n <= 0) {
            // The game ends at its next event check; the caller reports it.
            m_outputError = n < 0 ? std::strerror(errno) : "nothing was written";
            return;
        }
        done += static_cast<size_t>(n);
    }
}

void TerminalHost::CheckStop() const {
    if (StopSignal() != 0 || !m_outputError.empty())
        throw GameStopped{};
}

void TerminalHost::Render(bool everything) {
    if (!m_drawnOnce) {
        everything = true;
        m_drawnOnce = true;
        Write("\x1b[2J");
    }
    Rect area{0, 0, m_surface.Width(), m_surface.Height()};
    if (!everything) {
        if (!m_surface.DirtyRect())
            area = {0, 0, 0, 0};
        else
            area = *m_surface.DirtyRect();
    }
    m_surface.ClearDirty();
    std::string out = "\x1b[?25l";
    for (int y = area.top; y < area.bottom; ++y) {
        out += "\x1b[" + std::to_string(y + 1) + ";" + std::to_string(area.left + 1) + "H";
        const CellSurface::Cell* previous = nullptr;
        for (int x = area.left; x < area.right; ++x) {
            const CellSurface::Cell& cell = m_surface.CellAt(x, y);
            if (!previous || cell.text != previous->text || cell.back != previous->back ||
                cell.bold != previous->bold || cell.italic != previous->italic) {
                out += "\x1b[0m";
                if (cell.bold)
                    out += "\x1b[1m";
                if (cell.italic)
                    out += "\x1b[3m";
                out += ColourCode(true, cell.text) + ColourCode(false, cell.back);
            }
            AppendCell(out, cell.ch);
            previous = &cell;
        }
    }
    out += "\x1b[0m";
    if (m_screen) {
        const WindowRec& window = m_screen->Window(m_screen->CurrentWindow());
        const int x = std::min(std::max(window.CursorX, 0), m_surface.Width() - 1);
        const int y = std::min(std::max(window.CursorY, 0), m_surface.Height() - 1);
        out += "\x1b[" + std::to_string(y + 1) + ";" + std::to_string(x + 1) + "H";
    }
    out += "\x1b[?25h";
    Write(out);
}

void TerminalHost::DeliverKey(int code) {
    // Queued, so that lines typed or pasted together all arrive, each at its own wait.
    if (m_pendingKeys.size() < kMaxPendingKeys)
        m_pendingKeys.push_back({false, static_cast<char32_t>(code)});
}

bool TerminalHost::DeliverPendingKeys() {
    bool delivered = false;
    while (m_keyboard && m_keyboard->Waiting() && !m_pendingKeys.empty()) {
        const PendingKey key = m_pendingKeys.front();
        m_pendingKeys.pop_front();
        if (key.isCharacter)
            m_keyboard->TypeCharacter(key.value);
        else
            m_keyboard->KeyPress(static_cast<int>(key.value));
        delivered = true;
        // A line ends at Enter, a single-key wait takes one key: the rest waits for later.
        if (!m_keyboard->WaitingForLine() || (!key.isCharacter && key.value == 13))
            break;
    }
    return delivered;
}

void TerminalHost::DeliverCharacter(char32_t character) {
    // Queued like keys; the keyboard turns it into ZSCII when a wait takes it.
    if (m_pendingKeys.size() < kMaxPendingKeys)
        m_pendingKeys.push_back({true, character});
}

void TerminalHost::ReadKeys(int timeoutMs) {
    pollfd fd{m_inputFd, POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) <= 0)
        return; // nothing yet, or a signal: the caller checks
    unsigned char buffer[256];
    const ssize_t n = read(m_inputFd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
        return;
    if (n <= 0)
        throw GameStopped{}; // the terminal went away
    for (ssize_t i = 0; i < n; ++i) {
        const unsigned char c = buffer[i];
        const bool afterCarriageReturn = std::exchange(m_afterCarriageReturn, c == '\r');
        if (!m_escape.empty()) {
            // Cursor and function keys send escape sequences; they have no character code.
            m_escape.push_back(static_cast<char>(c));
            const bool ended = (m_escape.size() == 2 && c != '[' && c != 'O') ||
                               (m_escape.size() > 2 && c >= 0x40 && c <= 0x7E);
            if (ended)
                m_escape.clear();
            continue;
        }
        if (m_utf8Remaining > 0) {
            m_utf8Code = (m_utf8Code << 6) | (c & 0x3F);
            if (--m_utf8Remaining == 0)
                DeliverCharacter(m_utf8Code);
            continue;
        }
        if (c == 0x1B) {
            m_escape.push_back(static_cast<char>(c));
        } else if (c == 127 || c == 8) {
            DeliverKey(8);
        } else if (c == '\r' || c == '\n') {
            // LF, CR and CR LF (pasted text) each end one line.
            if (!(c == '\n' && afterCarriageReturn))
                DeliverKey(13);
        } else if (c >= 0xC0 && c < 0xE0) {
            m_utf8Code = c & 0x1F;
            m_utf8Remaining = 1;
        } else if (c >= 0xE0) {
            m_utf8Code = c & (c >= 0xF0 ? 0x07 : 0x0F);
            m_utf8Remaining = c >= 0xF0 ? 3 : 2;
        } else if (c >= 0x20 && c < 0x7F) {
            DeliverCharacter(c);
        }
    }
}

void TerminalHost::DoEvents() {
    DoEventsFor(-1);
}

void TerminalHost::DoEventsFor(int timeoutMs) {
    CheckStop();
    Render();
    if (DeliverPendingKeys())
        return;
    ReadKeys(timeoutMs); // -1 waits for a key however long it takes
    CheckStop();
    DeliverPendingKeys();
}

void TerminalHost::ProcessPendingEvents() {
    CheckStop();
    Render();
    ReadKeys(0);
    CheckStop();
}

int TerminalHost::Prompt(const std::string& text) {
    Render();
    std::string out = "\x1b[" + std::to_string(m_surface.Height()) + ";1H\x1b[0m\x1b[7m";
    for (const char32_t c : DecodeUtf8(text))
        AppendCell(out, c);
    out += "\x1b[0m\x1b[K";
    Write(out);
    unsigned char key = 0;
    for (;;) {
        const ssize_t n = read(m_inputFd, &key, 1);
        CheckStop();
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw GameStopped{};
        if (key != 0x1B)
            break;
    }
    // The prompt row belongs to the screen again.
    m_surface.Invalidate(0, m_surface.Height() - 1, m_surface.Width(), m_surface.Height());
    Render();
    return key;
}

void TerminalHost::ShowMessage(const std::string& text, MessageIcon) {
    Prompt(text + " [press a key]");
}

bool TerminalHost::AskYesNo(const std::string& text) {
    for (;;) {
        const int key = Prompt(text + " [y/n]");
        if (key == 'y' || key == 'Y')
            return true;
        if (key == 'n' || key == 'N')
            return false;
    }
}

std::optional<std::string> TerminalHost::AskFileName(FileUse use, const std::string& suggested) {
    const std::string question = std::string(FileUseTitle(use)) + ": file [" + suggested + "]: ";
    std::string name;
    for (;;) {
        const int key = Prompt(question + name);
        if (key == '\r' || key == '\n')
            return name.empty() ? suggested : name;
        if (key == 4)
            return std::nullopt;
        if (key == 127 || key == 8) {
            // Rubs out one character, however many bytes of UTF-8 it took.
            while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
                name.pop_back();
            if (!name.empty())
                name.pop_back();
        } else if (key >= 0x20) {
            name.push_back(static_cast<char>(key));
        }
    }
}

void TerminalHost::Beep() {
    Write("\a");
}

void TerminalHost::Finish() {
    Render();
    Write("\x1b[0m\x1b[" + std::to_string(m_surface.Height()) + ";1H\r\n");
}

} // namespace lantern
