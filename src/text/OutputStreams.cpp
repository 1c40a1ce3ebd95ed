#include "text/OutputStreams.h"

#include "memory/StoryError.h"

namespace lantern {

void OutputStreams::Reset() {
    m_streams.fill(false);
    m_streams[1] = true;
    m_depth = 0;
    m_levels.fill(MemoryStream{});
}

void OutputStreams::PrintText(std::string_view text) {
    if (m_streams[3] && m_depth > 0) {
        MemoryStream& level = m_levels[static_cast<size_t>(m_depth - 1)];
        const int64_t start = int64_t{level.table} + 2;
        const int32_t before = level.count;
        for (size_t i = 0; i < text.size(); ++i) {
            // A line break goes into a table as the single character 13, as the story reads it.
            if (text[i] == '\n' && i > 0 && text[i - 1] == '\r')
                continue;
            m_story.WriteByte(start + level.count, static_cast<unsigned char>(text[i]));
            ++level.count;
        }
        // The length word follows the text (a fault on the way ends the game before the story
        // could read it).
        if (level.count != before)
            m_story.WriteWord(level.table, level.count);
        return;
    }
    if (m_streams[1] && m_screenWriter)
        m_screenWriter(text);
    if (m_streams[2] && m_transcriptWriter)
        m_transcriptWriter(text);
}

void OutputStreams::OutputStream(int number, int32_t table) {
    if (number == 3) {
        if (m_depth >= kMaxMemoryStreams)
            throw StoryError("memory streams nested more than " +
                             std::to_string(kMaxMemoryStreams) + " deep");
        m_levels[static_cast<size_t>(m_depth)] = MemoryStream{table, 0};
        ++m_depth;
        m_streams[3] = true;
    } else if (number == -3) {
        // Output returns to the next outer table; stream 3 ends with the outermost one.
        if (m_depth > 0) {
            m_levels[static_cast<size_t>(m_depth - 1)] = MemoryStream{};
            --m_depth;
        }
        m_streams[3] = m_depth > 0;
    } else if (number >= 1 && number <= 4) {
        m_streams[static_cast<size_t>(number)] = true;
    } else if (number <= -1 && number >= -4) {
        m_streams[static_cast<size_t>(-number)] = false;
    }
}

bool OutputStreams::IsSelected(int number) const {
    return number >= 1 && number <= 4 && m_streams[static_cast<size_t>(number)];
}

} // namespace lantern
