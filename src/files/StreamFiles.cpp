#include "files/StreamFiles.h"

#include "files/FileRead.h"

namespace lantern {

std::optional<std::string> StreamFiles::OpenForWriting(std::unique_ptr<SafeFileWriter>& file,
                                                       std::optional<FileIdentity>& identity,
                                                       const std::string& path) {
    file.reset();
    identity.reset();
    // The new, empty file takes the old one's place at once: a stream is written as the game
    // goes, and what it has written stands on disk if the program ends unexpectedly.
    auto writer = std::make_unique<SafeFileWriter>(path, m_protected);
    if (!writer->Commit())
        return writer->Describe();
    identity = writer->Identity();
    file = std::move(writer);
    return std::nullopt;
}

std::optional<std::string> StreamFiles::OpenTranscript(const std::string& path) {
    return OpenForWriting(m_transcript, m_transcriptIdentity, path);
}

std::optional<std::string> StreamFiles::OpenRecord(const std::string& path) {
    return OpenForWriting(m_record, m_recordIdentity, path);
}

std::optional<std::string> StreamFiles::OpenPlayback(const std::string& path) {
    m_playback.reset();
    FileBytes read = ReadRegularFile(path, kMaxPlaybackSize);
    if (!read.Ok())
        return read.Describe(path);
    m_playback = Playback{std::move(read.Bytes), 0, IdentifyFile(path)};
    return std::nullopt;
}

bool StreamFiles::InUse(const std::string& path) const {
    const auto identity = IdentifyFile(path);
    const auto Same = [&identity](bool open, const std::optional<FileIdentity>& other) {
        return open && identity && other && *identity == *other;
    };
    return Same(TranscriptOpen(), m_transcriptIdentity) || Same(RecordOpen(), m_recordIdentity) ||
           Same(PlaybackOpen(), m_playback ? m_playback->Identity : std::nullopt);
}

void StreamFiles::CloseAll() {
    m_transcript.reset();
    m_record.reset();
    m_playback.reset();
}

bool StreamFiles::WriteTranscript(std::string_view utf8) {
    if (!m_transcript)
        return true;
    std::string kept;
    kept.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        // A file of text that a terminal may show: no control character steers it.
        if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F)
            continue;
        kept.push_back(c);
    }
    if (!m_transcript->Write(kept)) {
        m_transcript.reset();
        return false;
    }
    return true;
}

bool StreamFiles::FlushTranscript() {
    if (!m_transcript)
        return true;
    if (!m_transcript->Flush()) {
        m_transcript.reset();
        return false;
    }
    return true;
}

bool StreamFiles::RecordCommand(std::string_view utf8) {
    if (!m_record)
        return true;
    if (!m_record->Write(utf8) || !m_record->Write("\n") || !m_record->Flush()) {
        m_record.reset();
        return false;
    }
    return true;
}

std::optional<std::string> StreamFiles::NextCommand() {
    if (!m_playback)
        return std::nullopt;
    const std::vector<uint8_t>& bytes = m_playback->Bytes;
    size_t& at = m_playback->Position;
    if (at >= bytes.size()) {
        m_playback.reset();
        return std::nullopt;
    }
    std::string line;
    while (at < bytes.size()) {
        const char c = static_cast<char>(bytes[at++]);
        if (c == '\n')
            break;
        if (c == '\r') {
            if (at < bytes.size() && bytes[at] == '\n')
                ++at;
            break;
        }
        if (line.size() < kMaxCommandLength)
            line.push_back(c);
    }
    return line;
}

} // namespace lantern
