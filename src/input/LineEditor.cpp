#include "input/LineEditor.h"

#include "input/Keys.h"

#include <algorithm>

namespace lantern {

void LineEditor::Start(std::string_view preload, size_t capacity, const History* history) {
    m_capacity = capacity;
    m_text.assign(preload.substr(0, std::min(preload.size(), capacity)));
    m_caret = m_text.size();
    m_history = history;
    m_entry = history ? history->Size() : 0;
    m_typed.clear();
}

void LineEditor::Insert(char character) {
    if (m_text.size() >= m_capacity)
        return; // the story's text buffer is full
    m_text.insert(m_caret, 1, character);
    ++m_caret;
}

void LineEditor::Erase(size_t from, size_t to) {
    m_text.erase(from, to - from);
    m_caret = from;
}

void LineEditor::Recall(size_t entry) {
    const size_t newest = m_history->Size();
    // A line read inside a timed wait may have added to the history meanwhile.
    entry = std::min(entry, newest);
    if (m_entry >= newest)
        m_typed = m_text;
    m_entry = entry;
    const std::string& line = entry == newest ? m_typed : m_history->Entry(entry);
    m_text.assign(line, 0, std::min(line.size(), m_capacity));
    m_caret = m_text.size();
}

bool LineEditor::Apply(int key) {
    if (IsCharacterKey(key)) {
        Insert(static_cast<char>(key));
        return true;
    }
    if (const auto digit = KeypadDigit(key)) {
        Insert(static_cast<char>(*digit));
        return true;
    }
    switch (key) {
    case kKeyBackspace:
        if (m_caret > 0)
            Erase(m_caret - 1, m_caret);
        return true;
    case kKeyDelete:
        if (m_caret < m_text.size())
            Erase(m_caret, m_caret + 1);
        return true;
    case kKeyLeft: m_caret -= m_caret > 0 ? 1 : 0; return true;
    case kKeyRight: m_caret += m_caret < m_text.size() ? 1 : 0; return true;
    case kKeyHome: m_caret = 0; return true;
    case kKeyEnd: m_caret = m_text.size(); return true;
    case kKeyKillToStart: Erase(0, m_caret); return true;
    case kKeyKillToEnd: Erase(m_caret, m_text.size()); return true;
    case kKeyKillWord: {
        // The spaces before the caret and the word before them.
        size_t from = m_caret;
        while (from > 0 && m_text[from - 1] == ' ')
            --from;
        while (from > 0 && m_text[from - 1] != ' ')
            --from;
        Erase(from, m_caret);
        return true;
    }
    case kKeyUp:
        if (m_history && m_entry > 0)
            Recall(m_entry - 1);
        return m_history != nullptr;
    case kKeyDown:
        if (m_history && m_entry < m_history->Size())
            Recall(m_entry + 1);
        return m_history != nullptr;
    default: return false;
    }
}

} // namespace lantern
