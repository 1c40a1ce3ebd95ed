#pragma once

#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace lantern {

/// The files of the streams the player names: the transcript (output stream 2), the record of
/// the commands typed (output stream 4) and the commands played back in place of the keyboard
/// (input stream 1). Text is UTF-8; lines end with "\n" in the files.
class StreamFiles {
  public:
    /// A command line read from a file is kept up to this many bytes, the rest dropped.
    static constexpr size_t kMaxCommandLength = 65536;

    /// Each Open replaces the file (transcript and record) or opens it for reading (playback);
    /// false when it cannot be opened, and the stream stays closed.
    bool OpenTranscript(const std::string& path);
    bool OpenRecord(const std::string& path);
    bool OpenPlayback(const std::string& path);
    void CloseTranscript() { m_transcript.close(); }
    void CloseRecord() { m_record.close(); }
    void ClosePlayback() { m_playback.close(); }
    void CloseAll();

    /// Whether path is a file one of the streams has open (by any name): a file played back
    /// while it is written would grow as fast as it is read.
    bool InUse(const std::string& path) const;

    bool TranscriptOpen() const { return m_transcript.is_open(); }
    bool RecordOpen() const { return m_record.is_open(); }
    bool PlaybackOpen() const { return m_playback.is_open(); }

    /// Adds text to the transcript: "\r" and other control characters but line feed and tab
    /// are left out. False when the file could not be written (it is then closed).
    bool WriteTranscript(std::string_view utf8);
    /// Adds one command line to the record, and makes both written files current on disk.
    /// False when the record could not be written (it is then closed).
    bool RecordCommand(std::string_view utf8);
    /// Makes the transcript current on disk; false when it could not be written (it is then
    /// closed).
    bool FlushTranscript();
    /// The next line of the playback file without its end ("\n", "\r\n" or "\r"); nothing at
    /// the end of the file, which is then closed.
    std::optional<std::string> NextCommand();

  private:
    std::ofstream m_transcript;
    std::ofstream m_record;
    std::ifstream m_playback;
    std::string m_transcriptPath;
    std::string m_recordPath;
    std::string m_playbackPath;
};

} // namespace lantern
