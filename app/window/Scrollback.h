#pragma once

#include "window/ScreenText.h"

#include <QImage>
#include <cstdint>
#include <deque>

namespace lantern {

/// The lines that scrolled off the top of the lower window, oldest first: their pixels and
/// their text. It keeps at most kMaxLines lines and kMaxBytes of pixels, dropping the oldest.
class Scrollback {
  public:
    static constexpr size_t kMaxLines = 5000;
    static constexpr int64_t kMaxBytes = int64_t{32} * 1024 * 1024;

    struct Line {
        QImage pixels;
        int left = 0;            ///< where the pixels stood across the surface
        ScreenText::Pieces text; ///< surface x, y from the line's top
        QString plain;           ///< the text as one row, filled in by Add
    };

    void Add(Line line);
    /// Forgets the newest lines (those a new layout of the text puts there again).
    void DropNewest(size_t lines);
    void Clear();
    const std::deque<Line>& Lines() const { return m_lines; }
    /// The pixel rows of all lines together.
    int Height() const { return m_height; }
    int64_t Bytes() const { return m_bytes; }

  private:
    std::deque<Line> m_lines;
    int m_height = 0;
    int64_t m_bytes = 0;
};

} // namespace lantern
