#include "input/Keyboard.h"

#include <algorithm>
#include <climits>

namespace lantern {

void Keyboard::KeyPress(int key) {
    if (!m_waiting)
        return;
    if (!m_lineMode) {
        m_inputStream.push_back(key);
        return;
    }
    if (m_terminator >= 0)
        return; // the line has ended; later keys are not part of it
    if (key == kKeyEnter ||
        std::find(m_terminators.begin(), m_terminators.end(), key) != m_terminators.end()) {
        m_terminator = key;
        return;
    }
    // Keys that mean nothing to a line (Escape, function keys) type nothing into it.
    m_editor.Apply(key);
}

void Keyboard::TypeCharacter(char32_t character) {
    if (character == U'\b' || character == U'\r' || character == kKeyEscape) {
        KeyPress(static_cast<int>(character));
        return;
    }
    static const CharMap kDefault;
    if (const auto code = (m_chars ? *m_chars : kDefault).FromUnicode(character))
        KeyPress(*code);
}

bool Keyboard::WantsKeys() const {
    if (!m_waiting)
        return false;
    if (m_lineMode)
        return m_terminator < 0;
    return std::none_of(m_inputStream.begin(), m_inputStream.end(),
                        [this](int key) { return m_anyKey || StoryCode(key) >= 0; });
}

bool Keyboard::HoldsLine() const {
    return std::find(m_inputStream.begin(), m_inputStream.end(), kKeyEnter) != m_inputStream.end();
}

bool Keyboard::HoldsKey() const {
    return std::any_of(m_inputStream.begin(), m_inputStream.end(),
                       [this](int key) { return StoryCode(key) >= 0; });
}

int Keyboard::StoryCode(int key) const {
    if (IsCharacterKey(key) || key == kKeyBackspace || key == kKeyEnter || key == kKeyEscape)
        return key;
    if (!m_allStoryKeys) {
        // As specified, keys without a character never reach the story; the keypad's digits
        // are characters.
        return KeypadDigit(key).value_or(-1);
    }
    if (key == kKeyDelete)
        return kKeyBackspace;
    // Clicks are keys only while the story takes them.
    if (IsFunctionKey(key) && (key < kKeyMenuChoice || m_onClick))
        return key;
    return -1;
}

void Keyboard::MouseClick(int x, int y, bool second) {
    m_mouse.X = x;
    m_mouse.Y = y;
    if (m_waiting && m_onClick && m_onClick(x, y))
        KeyPress(second ? kKeyDoubleClick : kKeyClick);
}

Keyboard::Tick Keyboard::Pass(const Timer* timer, int64_t& due) {
    if (timer && timer->OnPass) {
        const Tick interrupt = timer->OnPass();
        if (interrupt != Tick::Continue)
            return interrupt;
    }
    if (!timer || !timer->OnTick) {
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

void Keyboard::EndWait() {
    m_waiting = false;
    m_lineMode = false;
    m_anyKey = false;
}

int Keyboard::WaitForKey(bool keepRest, const Timer* timer) {
    m_waiting = true;
    m_lineMode = false;
    int64_t due = timer ? m_host.Milliseconds() + timer->IntervalMs : 0;
    try {
        for (;;) {
            // Keys the story never sees are passed over, also those kept from before.
            const auto key = std::find_if(m_inputStream.begin(), m_inputStream.end(),
                                          [this](int k) { return m_anyKey || StoryCode(k) >= 0; });
            m_inputStream.erase(m_inputStream.begin(), key);
            if (!m_inputStream.empty())
                break;
            if (Pass(timer, due) == Tick::Stop) {
                EndWait();
                return 0;
            }
        }
    } catch (...) {
        EndWait();
        throw;
    }
    const int key = m_anyKey ? m_inputStream.front() : StoryCode(m_inputStream.front());
    EndWait();
    if (keepRest)
        m_inputStream.erase(m_inputStream.begin());
    else
        m_inputStream.clear();
    return key;
}

void Keyboard::WaitForAnyKey() {
    m_anyKey = true;
    WaitForKey(true);
}

std::string Keyboard::ReadLine(size_t capacity, std::string_view preload, const LineDisplay& show,
                               const Timer* timer, std::span<const int> terminators) {
    int64_t due = timer ? m_host.Milliseconds() + timer->IntervalMs : 0;
    const std::vector<int> typedAhead = std::move(m_inputStream);
    m_inputStream.clear();
    m_editor.Start(preload, capacity, &m_history);
    m_terminators.assign(terminators.begin(), terminators.end());
    m_terminator = -1;
    m_waiting = true;
    m_lineMode = true;
    for (const int key : typedAhead)
        KeyPress(key);
    // The preloaded text already stands on the screen; the line is shown at once, so that its
    // caret is.
    std::string shown(preload.substr(0, std::min(preload.size(), capacity)));
    size_t shownCaret = SIZE_MAX;
    try {
        for (;;) {
            if (m_editor.Text() != shown || m_editor.Caret() != shownCaret) {
                shown = m_editor.Text();
                shownCaret = m_editor.Caret();
                show(shown, shownCaret);
            }
            if (m_terminator >= 0)
                break;
            const Tick tick = Pass(timer, due);
            if (tick == Tick::Stop) {
                m_terminator = 0;
                break;
            }
            if (tick == Tick::Redraw) {
                // The tick wrote after the line: the whole line is shown again.
                shown.clear();
                shownCaret = SIZE_MAX;
            }
        }
    } catch (...) {
        EndWait();
        m_terminator = -1;
        throw;
    }
    EndWait();
    std::string line = m_editor.Text();
    if (m_terminator == kKeyEnter)
        m_history.Add(line);
    m_inputStream.clear(); // what was typed after the line's end is not part of any line
    return line;
}

Keyboard::SuspendedWait Keyboard::Suspend() {
    SuspendedWait wait{.InputStream = std::move(m_inputStream),
                       .Waiting = m_waiting,
                       .LineMode = m_lineMode,
                       .AnyKey = m_anyKey,
                       .Editor = m_editor,
                       .Terminators = m_terminators,
                       .Terminator = m_terminator};
    m_inputStream.clear();
    EndWait();
    return wait;
}

void Keyboard::Resume(SuspendedWait wait) {
    m_inputStream = std::move(wait.InputStream);
    m_waiting = wait.Waiting;
    m_lineMode = wait.LineMode;
    m_anyKey = wait.AnyKey;
    m_editor = std::move(wait.Editor);
    m_terminators = std::move(wait.Terminators);
    m_terminator = wait.Terminator;
}

void Keyboard::TypeFirst(std::string_view keys) {
    std::vector<int> typed;
    for (const char key : keys)
        typed.push_back(static_cast<unsigned char>(key));
    m_inputStream.insert(m_inputStream.begin(), typed.begin(), typed.end());
}

void Keyboard::Reset() {
    m_inputStream.clear();
    EndWait();
}

} // namespace lantern
