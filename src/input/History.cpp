#include "input/History.h"

namespace lantern {

void History::Add(std::string_view line) {
    if (line.empty() || (!m_entries.empty() && m_entries.back() == line))
        return;
    if (m_entries.size() >= kMaxEntries)
        m_entries.pop_front();
    m_entries.emplace_back(line);
}

} // namespace lantern
