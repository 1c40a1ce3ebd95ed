#include "console/ScriptHost.h"

#include "memory/StoryError.h"

namespace lantern {

void ScriptHost::DoEvents() {
    if (!m_keyboard || !m_keyboard->Waiting())
        return; // only keys are events here, and nobody is waiting for one
    if (m_pending.empty()) {
        std::string line;
        if (!std::getline(m_input, line))
            throw GameStopped{};
        if (!line.empty() && line.back() == '\r')
            line.pop_back(); // a script written with CRLF line ends
        m_pending = line + '\r';
    }
    // A line read takes the rest of the line; a single-key wait takes one key.
    const size_t count = m_keyboard->WaitingForLine() ? m_pending.size() : 1;
    const std::string keys = m_pending.substr(0, count);
    m_pending.erase(0, count);
    for (char key : keys)
        m_keyboard->KeyPress(key == '\r' ? 13 : static_cast<unsigned char>(key));
}

void ScriptHost::ShowMessage(const std::string& text, MessageIcon) {
    m_errors << "lantern: " << text << '\n' << std::flush;
}

bool ScriptHost::AskYesNo(const std::string& text) {
    m_errors << "lantern: " << text << " Yes\n" << std::flush;
    return true;
}

void WriteUtf8Text(std::ostream& out, std::string_view text) {
    std::string converted;
    converted.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue; // "\r\n" is one line break
        if (c < 0x80) {
            converted.push_back(static_cast<char>(c));
        } else {
            converted.push_back(static_cast<char>(0xC0 | (c >> 6)));
            converted.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    out << converted;
}

} // namespace lantern
