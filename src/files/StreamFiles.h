#pragma once

#include "files/FileWrite.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// The files of the streams the player names: the transcript (output stream 2), the record of
/// the commands typed (output stream 4) and the commands played back in place of the keyboard
/// (input stream 1). Text is UTF-8; lines end with "\n" in the files.
class StreamFiles {
  public:
    /// A command line read from a file is kept up to this many bytes, the rest dropped.
    static constexpr size_t kMaxCommandLength = 65536;
    /// A file of commands is read whole, and no real one comes near this size.
    static constexpr size_t kMaxPlaybackSize = size_t{16} << 20;

    /// Files that no stream may write (the story being played).
    void SetProtected(std::vector<FileIdentity> files) { m_protected = std::move(files); }

    /// Each Open replaces the file (transcript and record, through SafeFileWriter) or reads it
    /// whole (playback, a regular file only). Nothing, when it was opened; else why not, and the
    /// stream stays closed.
    std::optional<std::string> OpenTranscript(const std::string& path);
    std::optional<std::string> OpenRecord(const std::string& path);
    std::optional<std::string> OpenPlayback(const std::string& path);
    void CloseTranscript() { m_transcript.reset(); }
    void CloseRecord() { m_record.reset(); }
    void ClosePlayback() { m_playback.reset(); }
    void CloseAll();

    /// Whether path is a file one of the streams has open (by any name): one file cannot serve
    /// two streams.
    bool InUse(const std::string& path) const;

    bool TranscriptOpen() const { return m_transcript != nullptr; }
    bool RecordOpen() const { return m_record != nullptr; }
    bool PlaybackOpen() const { return m_playback.has_value(); }

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
    struct Playback {
        std::vector<uint8_t> Bytes;
        size_t Position = 0;
        std::optional<FileIdentity> Identity;
    };
    std::optional<std::string> OpenForWriting(std::unique_ptr<SafeFileWriter>& file,
                                              std::optional<FileIdentity>& identity,
                                              const std::string& path);

    std::vector<FileIdentity> m_protected;
    std::unique_ptr<SafeFileWriter> m_transcript;
    std::unique_ptr<SafeFileWriter> m_record;
    std::optional<FileIdentity> m_transcriptIdentity;
    std::optional<FileIdentity> m_recordIdentity;
    std::optional<Playback> m_playback;
};

} // namespace lantern
