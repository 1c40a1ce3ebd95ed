#include "window/Scrollback.h"

#include <utility>

namespace lantern {

void Scrollback::Add(Line line) {
    if (line.pixels.isNull())
        return;
    line.plain = ScreenText::JoinRows(line.text);
    m_height += line.pixels.height();
    m_bytes += line.pixels.sizeInBytes();
    m_lines.push_back(std::move(line));
    while (!m_lines.empty() && (m_lines.size() > kMaxLines || m_bytes > kMaxBytes)) {
        m_height -= m_lines.front().pixels.height();
        m_bytes -= m_lines.front().pixels.sizeInBytes();
        m_lines.pop_front();
    }
}

void Scrollback::DropNewest(size_t lines) {
    for (; lines > 0 && !m_lines.empty(); --lines) {
        m_height -= m_lines.back().pixels.height();
        m_bytes -= m_lines.back().pixels.sizeInBytes();
        m_lines.pop_back();
    }
}

void Scrollback::Clear() {
    m_lines.clear();
    m_height = 0;
    m_bytes = 0;
}

} // namespace lantern
