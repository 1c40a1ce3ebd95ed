#include "machine/RepeatedMessages.h"

#include "memory/StoryError.h"

namespace lantern {

bool RepeatedMessages::Admit(const std::string& text) {
    if (!m_limited)
        return true;
    if (++m_sinceInput >= kStuck)
        throw StoryError("the story keeps failing (" + std::to_string(kStuck) +
                         " messages with no input read, the last \"" + text + "\")");
    Count& count = m_counts[text];
    if (count.ShownSinceInput < kShown) {
        ++count.ShownSinceInput;
        return true;
    }
    ++count.HeldBack;
    return false;
}

void RepeatedMessages::InputRead() {
    if (m_sinceInput == 0)
        return;
    m_sinceInput = 0;
    // Only the counts the summary needs are kept over a long game.
    std::erase_if(m_counts, [](const auto& entry) { return entry.second.HeldBack == 0; });
    for (auto& [text, count] : m_counts)
        count.ShownSinceInput = 0;
}

std::vector<std::string> RepeatedMessages::TakeSummary() {
    std::vector<std::string> lines;
    for (const auto& [text, count] : m_counts)
        if (count.HeldBack > 0)
            lines.push_back("\"" + text + "\" came " + std::to_string(count.HeldBack) +
                            " more times, not shown.");
    m_counts.clear();
    m_sinceInput = 0;
    return lines;
}

} // namespace lantern
