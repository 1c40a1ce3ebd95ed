#include "console/ScriptHost.h"

#include "StopSignals.h"
#include "memory/StoryError.h"
#include "text/CharMap.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>

namespace lantern {

bool ScriptHost::ReadInputLine(std::string& line) {
    line.clear();
    std::streambuf& input = *m_input.rdbuf();
    bool any = false;
    for (uint32_t count = 1;; ++count) {
        // Endless input without a line end (/dev/zero) must not keep a stop request waiting.
        if (count % 65536 == 0)
            CheckStop();
        const int c = input.sbumpc();
        if (c == std::char_traits<char>::eof())
            return any;
        // "\r\n" is one line end: the "\n" after a line ended by "\r" is skipped.
        const bool skip = m_afterCarriageReturn && c == '\n';
        m_afterCarriageReturn = c == '\r';
        if (skip)
            continue;
        any = true;
        if (c == '\n' || c == '\r')
            return true;
        // Beyond the bound the rest of the line is read and dropped, so that endless input
        // without a line end runs in bounded memory.
        if (line.size() < kMaxLineLength)
            line.push_back(static_cast<char>(c));
    }
}

void ScriptHost::CheckStop() const {
    if (StopSignal() != 0 || !m_outputError.empty())
        throw GameStopped{};
}

void ScriptHost::DoEvents() {
    CheckStop();
    if (!m_keyboard || !m_keyboard->Waiting())
        return; // only keys are events here, and nobody is waiting for one
    if (!TypeInput())
        throw GameStopped{};
}

void ScriptHost::DoEventsFor(int timeoutMs) {
    CheckStop();
    if (!m_keyboard || !m_keyboard->Waiting())
        return;
    if (m_terminalFd >= 0) {
        // A line is there to read once the player has ended it with Enter (or Ctrl-D).
        if (m_pending.empty() && !m_inputEnded) {
            FlushOutput();
            CheckStop();
            pollfd input{m_terminalFd, POLLIN, 0};
            const int ready = poll(&input, 1, std::max(timeoutMs, 0));
            CheckStop();
            if (ready <= 0)
                return; // the time is up
        }
        if (!TypeInput())
            throw GameStopped{};
        return;
    }
    if (TypeInput())
        return;
    if (m_idleMs >= kIdleLimitMs)
        throw GameStopped{};
    const int64_t step = std::max(timeoutMs, 1);
    m_clock += step;
    m_idleMs += step;
}

void ScriptHost::FlushOutput() {
    if (m_output && m_outputError.empty()) {
        errno = 0;
        if (!m_output->flush())
            m_outputError = errno != 0 ? std::strerror(errno) : "write error";
    }
}

bool ScriptHost::TypeInput() {
    if (m_pending.empty()) {
        if (m_inputEnded)
            return false;
        FlushOutput();
        CheckStop();
        std::string line;
        if (!ReadInputLine(line)) {
            m_inputEnded = true;
            return false;
        }
        CheckStop(); // a signal may have cut the read short
        // The line is UTF-8; each character is typed, Enter after the last.
        m_pending = DecodeUtf8(line) + U'\r';
    }
    // A line read takes the rest of the line; a single-key wait takes one key.
    const size_t count = m_keyboard->WaitingForLine() ? m_pending.size() : 1;
    const std::u32string keys = m_pending.substr(0, count);
    m_pending.erase(0, count);
    for (const char32_t key : keys) {
        if (key == U'\r')
            m_keyboard->KeyPress(13);
        else
            m_keyboard->TypeCharacter(key);
    }
    return true;
}

std::optional<std::string> ScriptHost::AskFileName(FileUse, const std::string&) {
    CheckStop();
    std::string line;
    if (!m_pending.empty()) {
        // The rest of a line already being typed, up to its Enter.
        const size_t end = m_pending.find(U'\r');
        for (const char32_t c : m_pending.substr(0, end))
            AppendUtf8(line, c);
        m_pending.erase(0, end == std::u32string::npos ? end : end + 1);
    } else if (!ReadInputLine(line)) {
        return std::nullopt;
    }
    EchoLine(line);
    return line;
}

void ScriptHost::EchoLine(const std::string& line) {
    // The name stands in the transcript on a line of its own, as a typed command does.
    if (!m_output || !m_outputError.empty())
        return;
    errno = 0;
    WriteUtf8Text(*m_output, line + "\n");
    if (!*m_output)
        m_outputError = errno != 0 ? std::strerror(errno) : "write error";
}

void ScriptHost::ProcessPendingEvents() {
    CheckStop();
}

void ScriptHost::ShowMessage(const std::string& text, MessageIcon) {
    // A message may name a file or quote what was typed: nothing in it steers the terminal.
    m_errors << "lantern: " << PrintableText(text) << '\n' << std::flush;
}

bool ScriptHost::AskYesNo(const std::string& text) {
    m_errors << "lantern: " << PrintableText(text) << " Yes\n" << std::flush;
    return true;
}

void WriteUtf8Text(std::ostream& out, std::string_view text) {
    // Whatever the story printed or the script typed, nothing may steer the terminal; the "\r"
    // of a "\r\n" line break goes with the other control characters.
    std::string converted(text);
    StripControlCharacters(converted);
    out << converted;
}

} // namespace lantern
