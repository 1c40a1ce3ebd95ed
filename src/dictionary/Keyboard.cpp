#include "dictionary/Keyboard.h"

#include <algorithm>

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

int Keyboard::WaitForKey(bool keepRest) {
    m_waiting = true;
    m_lineMode = false;
    try {
        while (m_inputStream.empty())
            m_host.DoEvents();
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
                               const TextSink& rubOut) {
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
            m_host.DoEvents();
        }
    } catch (...) {
        m_waiting = false;
        m_lineMode = false;
        throw;
    }
    m_waiting = false;
    m_lineMode = false;
    std::string line = m_inputStream.substr(0, LineLength());
    m_inputStream.clear();
    return line;
}

void Keyboard::Reset() {
    m_inputStream.clear();
    m_waiting = false;
    m_lineMode = false;
}

} // namespace lantern
