#include "input/Keyboard.h"

#include <algorithm>
#include <climits>

namespace lantern {

namespace {
constexpr char kBackspace = 8;
constexpr char kEnter = 13;
constexpr char kEscape = 27;
} // namespace

size_t Keyboard::LineLength() const {
    const size_t enter = m_inputStream.find(kEnter);
    return enter == std::string::npos ? m_inputStream.size() : enter;
}

void Keyboard::KeyPress(int keyAscii) {
    if (!m_waiting)
        return;
    const char key = static_cast<char>(keyAscii);
    if (!m_lineMode) {
        // A single-key wait takes the first key, whatever it is (backspace arrives as 8).
        m_inputStream.push_back(key);
        return;
    }
    if (m_inputStream.find(kEnter) != std::string::npos)
        return; // the line is complete; later keys are not part of it
    if (key == kBackspace) {
        if (!m_inputStream.empty())
            m_inputStream.pop_back();
        return;
    }
    if (key != kEnter && LineLength() >= m_lineCapacity)
        return; // the story's text buffer is full
    m_inputStream.push_back(key);
}

void Keyboard::TypeCharacter(char32_t character) {
    if (character == U'\b' || character == U'\r' || character == kEscape) {
        KeyPress(static_cast<int>(character));
        return;
    }
    static const CharMap kDefault;
    if (const auto code = (m_chars ? *m_chars : kDefault).FromUnicode(character))
        KeyPress(*code);
}

Keyboard::Tick Keyboard::Pass(const Timer* timer, int64_t& due) {
    if (!timer) {
        m_host.DoEvents();
        return Tick::Continue;
    }
    const int64_t now = m_host.Milliseconds();
    if (now < due) {
        m_host.DoEventsFor(static_cast<int>(std::min<int64_t>(due - now, INT_MAX)));
        return Tick::Continue;
    }
    const Tick tick = timer->OnTick();
    // The next tick is an interval after this one ended, so a slow tick never piles up.
    due = m_host.Milliseconds() + timer->IntervalMs;
    return tick;
}

int Keyboard::WaitForKey(bool keepRest, const Timer* timer) {
    m_waiting = true;
    m_lineMode = false;
    int64_t due = timer ? m_host.Milliseconds() + timer->IntervalMs : 0;
    try {
        while (m_inputStream.empty()) {
            if (Pass(timer, due) == Tick::Stop) {
                m_waiting = false;
                return 0;
            }
        }
    } catch (...) {
        m_waiting = false;
        throw;
    }
    m_waiting = false;
    const int key = static_cast<unsigned char>(m_inputStream.front());
    if (keepRest)
        m_inputStream.erase(0, 1);
    else
        m_inputStream.clear();
    return key;
}

std::string Keyboard::ReadLine(size_t capacity, std::string_view preload, const TextSink& echo,
                               const TextSink& rubOut, const Timer* timer) {
    bool timedOut = false;
    int64_t due = timer ? m_host.Milliseconds() + timer->IntervalMs : 0;
    const std::string typedAhead = std::move(m_inputStream);
    m_inputStream.assign(preload.substr(0, std::min(preload.size(), capacity)));
    // The preloaded text already stands on the screen.
    std::string shown = m_inputStream;
    m_waiting = true;
    m_lineMode = true;
    m_lineCapacity = capacity;
    for (const char key : typedAhead)
        KeyPress(static_cast<unsigned char>(key));
    try {
        for (;;) {
            // Show the difference between what stands on the screen and the line now.
            const std::string_view line = std::string_view(m_inputStream).substr(0, LineLength());
            size_t common = 0;
            while (common < shown.size() && common < line.size() && shown[common] == line[common])
                ++common;
            if (shown.size() > common) {
                rubOut(std::string_view(shown).substr(common));
                shown.resize(common);
            }
            if (line.size() > common) {
                echo(line.substr(common));
                shown = line;
            }
            if (m_inputStream.find(kEnter) != std::string::npos)
                break;
            const Tick tick = Pass(timer, due);
            if (tick == Tick::Stop) {
                timedOut = true;
                break;
            }
            if (tick == Tick::Redraw)
                shown.clear(); // the tick wrote after the line: the whole line is shown again
        }
    } catch (...) {
        m_waiting = false;
        m_lineMode = false;
        throw;
    }
    m_waiting = false;
    m_lineMode = false;
    m_timedOut = timedOut; // set last: a tick may itself have read a line
    std::string line = m_inputStream.substr(0, LineLength());
    m_inputStream.clear();
    return line;
}

Keyboard::SuspendedWait Keyboard::Suspend() {
    SuspendedWait wait{std::move(m_inputStream), m_waiting, m_lineMode, m_lineCapacity};
    m_inputStream.clear();
    m_waiting = false;
    m_lineMode = false;
    return wait;
}

void Keyboard::Resume(SuspendedWait wait) {
    m_inputStream = std::move(wait.InputStream);
    m_waiting = wait.Waiting;
    m_lineMode = wait.LineMode;
    m_lineCapacity = wait.LineCapacity;
}

void Keyboard::Reset() {
    m_inputStream.clear();
    m_waiting = false;
    m_lineMode = false;
}

} // namespace lantern
