#include "text/OutputStreams.h"

namespace lantern {

// Placeholder until the memory streams land: stream 1 only.
void OutputStreams::Reset() {
    for (bool& on : m_streams)
        on = false;
    m_streams[1] = true;
}

void OutputStreams::PrintText(std::string_view text) {
    if (m_streams[1] && m_screenWriter)
        m_screenWriter(text);
}

void OutputStreams::OutputStream(int number, int32_t) {
    if (number >= 1 && number <= 4)
        m_streams[number] = true;
    else if (number <= -1 && number >= -4)
        m_streams[-number] = false;
}

bool OutputStreams::IsSelected(int number) const {
    return number >= 0 && number <= 4 && m_streams[number];
}

} // namespace lantern
