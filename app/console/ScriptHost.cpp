#include "console/ScriptHost.h"

#include "memory/StoryError.h"
#include "text/CharMap.h"

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
        converted.push_back(static_cast<char>(c));
    }
    out << converted;
}

} // namespace lantern
