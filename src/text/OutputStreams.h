#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "memory/StoryImage.h"

namespace lantern {

/// The output streams: stream 1 (the screen, through a writer the machine provides) and the
/// nested memory streams of stream 3, which write into tables in the story image.
class OutputStreams {
public:
    using ScreenWriter = std::function<void(std::string_view)>;

    explicit OutputStreams(StoryImage& story) : m_story(story) {}

    /// Where stream 1's text goes (the screen, with the page-break wait).
    void SetScreenWriter(ScreenWriter writer) { m_screenWriter = std::move(writer); }
    /// Game start and restart: stream 1 on, every other stream off, no memory stream open.
    void Reset();
    /// Sends text to the active stream: the innermost memory table while stream 3 is on, else
    /// the screen while stream 1 is on, else nowhere.
    void PrintText(std::string_view text);
    /// The OUTPUT_STREAM opcode: select (n > 0) or deselect (n < 0) stream |n|.
    void OutputStream(int number, int32_t table);
    bool IsSelected(int number) const;

private:
    StoryImage& m_story;
    ScreenWriter m_screenWriter;
    bool m_streams[5] = {false, true, false, false, false};
};

} // namespace lantern
