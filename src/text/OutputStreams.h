#pragma once

#include "memory/StoryImage.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace lantern {

/// The output streams: stream 1 (the screen, through a writer the machine provides), stream 2
/// (the transcript, through another writer, when there is one) and the nested memory streams of
/// stream 3, which write into tables in the story image. Stream 4 keeps only its flag.
class OutputStreams {
  public:
    using ScreenWriter = std::function<void(std::string_view)>;

    /// Memory streams may nest this deep, as the Z-Machine Standards Document allows; one more
    /// is a story fault.
    static constexpr int kMaxMemoryStreams = 16;

    explicit OutputStreams(StoryImage& story) : m_story(story) {}

    /// Where stream 1's text goes (the screen, with the page-break wait).
    void SetScreenWriter(ScreenWriter writer) { m_screenWriter = std::move(writer); }
    /// Where stream 2's text goes.
    void SetTranscriptWriter(ScreenWriter writer) { m_transcriptWriter = std::move(writer); }
    /// Game start and restart: stream 1 on, every other stream off, no memory stream open.
    void Reset();
    /// Sends text to the active streams: the innermost memory table while stream 3 is on, else
    /// the screen while stream 1 is on and the transcript while stream 2 is on.
    void PrintText(std::string_view text);
    /// The OUTPUT_STREAM opcode: select (n > 0) or deselect (n < 0) stream |n|. Selecting stream 3
    /// opens a memory stream on table; deselecting it returns to the next outer one, if any.
    /// Numbers outside 1..4 and -1..-4 change nothing.
    void OutputStream(int number, int32_t table);
    bool IsSelected(int number) const;
    /// How many memory streams are open.
    int MemoryStreamDepth() const { return m_depth; }
    /// The table of the innermost memory stream (its length word); 0 when none is open.
    int32_t InnermostTable() const {
        return m_depth > 0 ? m_levels[static_cast<size_t>(m_depth - 1)].table : 0;
    }

  private:
    struct MemoryStream {
        int32_t table = 0; ///< the length word; the characters follow it
        int32_t count = 0; ///< characters written so far
    };

    StoryImage& m_story;
    ScreenWriter m_screenWriter;
    ScreenWriter m_transcriptWriter;
    std::array<bool, 5> m_streams{false, true, false, false, false};
    std::array<MemoryStream, kMaxMemoryStreams> m_levels{};
    int m_depth = 0;
};

} // namespace lantern
