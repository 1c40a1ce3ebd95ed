#include "text/StreamFiles.h"

#include <filesystem>

namespace lantern {

namespace {

bool OpenForWriting(std::ofstream& file, const std::string& path) {
    file.close();
    file.clear();
    file.open(path, std::ios::binary | std::ios::trunc);
    return file.is_open();
}

} // namespace

bool StreamFiles::OpenTranscript(const std::string& path) {
    m_transcriptPath = path;
    return OpenForWriting(m_transcript, path);
}

bool StreamFiles::OpenRecord(const std::string& path) {
    m_recordPath = path;
    return OpenForWriting(m_record, path);
}

bool StreamFiles::OpenPlayback(const std::string& path) {
    m_playbackPath = path;
    m_playback.close();
    m_playback.clear();
    m_playback.open(path, std::ios::binary);
    return m_playback.is_open();
}

bool StreamFiles::InUse(const std::string& path) const {
    const auto Same = [&path](bool open, const std::string& other) {
        std::error_code error;
        return open && std::filesystem::equivalent(path, other, error) && !error;
    };
    return Same(TranscriptOpen(), m_transcriptPath) || Same(RecordOpen(), m_recordPath) ||
           Same(PlaybackOpen(), m_playbackPath);
}

void StreamFiles::CloseAll() {
    m_transcript.close();
    m_record.close();
    m_playback.close();
}

bool StreamFiles::WriteTranscript(std::string_view utf8) {
    if (!m_transcript.is_open())
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
    m_transcript << kept;
    if (!m_transcript) {
        m_transcript.close();
        return false;
    }
    return true;
}

bool StreamFiles::FlushTranscript() {
    if (!m_transcript.is_open())
        return true;
    if (!m_transcript.flush()) {
        m_transcript.close();
        return false;
    }
    return true;
}

bool StreamFiles::RecordCommand(std::string_view utf8) {
    if (!m_record.is_open())
        return true;
    m_record << utf8 << '\n';
    if (!m_record.flush()) {
        m_record.close();
        return false;
    }
    return true;
}

std::optional<std::string> StreamFiles::NextCommand() {
    if (!m_playback.is_open())
        return std::nullopt;
    std::streambuf& input = *m_playback.rdbuf();
    std::string line;
    bool any = false;
    for (;;) {
        const int c = input.sbumpc();
        if (c == std::char_traits<char>::eof())
            break;
        any = true;
        if (c == '\n')
            break;
        if (c == '\r') {
            if (input.sgetc() == '\n')
                input.sbumpc();
            break;
        }
        if (line.size() < kMaxCommandLength)
            line.push_back(static_cast<char>(c));
    }
    if (!any) {
        m_playback.close();
        return std::nullopt;
    }
    return line;
}

} // namespace lantern
