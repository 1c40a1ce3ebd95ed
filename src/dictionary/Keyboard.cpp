#include "dictionary/Keyboard.h"

namespace lantern {

namespace {
constexpr char kBackspace = 8;
constexpr char kEnter = 13;
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
        if (m_inputStream.empty())
            return;
        if (m_inputStream.size() <= m_echoedLength) {
            // Rub the character out on the screen only if it was drawn there.
            m_screen.DeleteChar(std::string_view(&m_inputStream.back(), 1));
            m_screen.SetLinesPrinted(0);
            m_screen.UpdateDisplay();
            m_echoedLength = m_inputStream.size() - 1;
        }
        m_inputStream.pop_back();
        return;
    }
    if (key != kEnter && LineLength() >= m_lineCapacity)
        return; // the story's text buffer is full
    m_inputStream.push_back(key);
}

int Keyboard::WaitForKey() {
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
    m_inputStream.clear();
    return key;
}

std::string Keyboard::ReadLine(size_t capacity, const std::function<void(std::string_view)>& echo) {
    m_inputStream.clear();
    m_echoedLength = 0;
    m_waiting = true;
    m_lineMode = true;
    m_lineCapacity = capacity;
    try {
        for (;;) {
            const size_t length = LineLength();
            if (length > m_echoedLength) {
                echo(std::string_view(m_inputStream)
                         .substr(m_echoedLength, length - m_echoedLength));
                m_screen.UpdateDisplay();
                m_screen.SetLinesPrinted(0);
                m_echoedLength = length;
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
    m_echoedLength = 0;
    return line;
}

void Keyboard::Reset() {
    m_inputStream.clear();
    m_waiting = false;
    m_lineMode = false;
    m_echoedLength = 0;
}

} // namespace lantern
