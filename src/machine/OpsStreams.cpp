// The streams of the complete Z-machine that reach files the player names: the transcript
// (output stream 2, which follows Flags 2 bit 0 both ways), the record of the commands typed
// (output stream 4) and commands played back from a file (input stream 1).
#include "machine/zMachine.h"

namespace lantern {

namespace {

// Flags 2 bit 0, "transcripting on", in the low byte of the header word 0x10.
constexpr int32_t kFlags2Low = 0x11;
constexpr int kFlags2Transcript = 0x01;

// A file that a stream has open cannot serve another.
void FileInUse(Host& host, const std::string& name) {
    host.ShowMessage("The file \"" + name + "\" is already in use for the game's text or commands.",
                     MessageIcon::Error);
}

} // namespace

bool zMachine::IsStoryFile(const std::string& path) const {
    // The same file by any name: through a link, a hard link or another path.
    const auto identity = IdentifyFile(path);
    return identity && m_storyIdentity && *identity == *m_storyIdentity;
}

std::optional<std::string> zMachine::AskFileToWrite(FileUse use, const std::string& suggested) {
    auto name = m_host.AskFileName(use, suggested);
    if (!name || name->empty())
        return std::nullopt;
    if (IsStoryFile(*name)) {
        m_host.ShowMessage("The file \"" + *name +
                               "\" is the story file: it would be overwritten. Choose another one.",
                           MessageIcon::Error);
        return std::nullopt;
    }
    if (m_files.InUse(*name)) {
        FileInUse(m_host, *name);
        return std::nullopt;
    }
    return name;
}

void zMachine::SetTranscriptBit(bool on) {
    const int32_t flags = m_story.ReadByte(kFlags2Low);
    m_story.WriteByte(kFlags2Low, on ? flags | kFlags2Transcript : flags & ~kFlags2Transcript);
}

void zMachine::SelectFileStream(int number) {
    if (number == 2 && !m_files.TranscriptOpen()) {
        const auto name = AskFileToWrite(FileUse::Transcript, DefaultFileName(".txt"));
        if (const auto failed = name ? m_files.OpenTranscript(*name) : std::nullopt)
            m_host.ShowMessage("The transcript cannot be written. " + *failed, MessageIcon::Error);
    } else if (number == -2) {
        m_files.CloseTranscript();
    } else if (number == 4 && !m_files.RecordOpen()) {
        const auto name = AskFileToWrite(FileUse::RecordCommands, DefaultFileName(".rec"));
        if (const auto failed = name ? m_files.OpenRecord(*name) : std::nullopt)
            m_host.ShowMessage("The commands cannot be recorded. " + *failed, MessageIcon::Error);
    } else if (number == -4) {
        m_files.CloseRecord();
    }
    // A stream is on exactly while its file is open, and the header says so for the transcript.
    if (number == 2 || number == -2) {
        m_streams.OutputStream(m_files.TranscriptOpen() ? 2 : -2, 0);
        SetTranscriptBit(m_files.TranscriptOpen());
    } else {
        m_streams.OutputStream(m_files.RecordOpen() ? 4 : -4, 0);
    }
}

void zMachine::PrintStandard(std::string_view text) {
    FollowTranscriptBit();
    if (m_version != 6) {
        m_streams.PrintText(text);
        return;
    }
    // A newline interrupt may run story code in the middle of this text, which may decode
    // other text into the buffers this text lies in.
    const std::string copy(text);
    m_streams.PrintText(copy);
}

void zMachine::FollowTranscriptBit() {
    // The story starts or stops the transcript by setting or clearing the bit itself.
    const bool wanted = (m_story.ReadByte(kFlags2Low) & kFlags2Transcript) != 0;
    if (wanted != m_files.TranscriptOpen())
        SelectFileStream(wanted ? 2 : -2);
}

void zMachine::ResumeFileStreams() {
    if (!m_standard)
        return;
    // The player's files outlast a RESTART, a restore and an undo; the header the story now
    // sees must say whether the transcript is on.
    SetTranscriptBit(m_files.TranscriptOpen());
    if (m_files.TranscriptOpen())
        m_streams.OutputStream(2, 0);
    if (m_files.RecordOpen())
        m_streams.OutputStream(4, 0);
}

void zMachine::WriteTranscript(std::string_view text) {
    // The transcript holds what the lower window shows (in version 6, the windows that say so).
    if (!m_files.TranscriptOpen() || !m_screen.Transcribed())
        return;
    if (!m_files.WriteTranscript(m_screen.ShownText(text)))
        TranscriptFailed();
}

void zMachine::TranscriptFailed() {
    m_host.ShowMessage("The transcript could not be written; it has stopped.", MessageIcon::Error);
    m_streams.OutputStream(-2, 0);
    SetTranscriptBit(false);
}

void zMachine::PlayCommand() {
    const auto line = m_files.NextCommand();
    if (!line)
        return; // the end of the file: back to the keyboard
    // The line is typed ahead of any key: it is shown as typed, a character that the story's
    // character set lacks is not taken, and the text buffer bounds the line.
    std::string keys;
    for (const char32_t c : DecodeUtf8(*line))
        if (const auto code = m_chars.FromUnicode(c))
            keys.push_back(static_cast<char>(*code));
    keys.push_back('\r');
    m_keyboard.TypeFirst(keys);
}

void zMachine::KeepCommand(std::string_view typed) {
    FollowTranscriptBit();
    if (m_streams.IsSelected(2)) {
        WriteTranscript(typed);
        if (!m_files.FlushTranscript())
            TranscriptFailed();
    }
    if (m_streams.IsSelected(4) && !m_files.RecordCommand(m_chars.ToUtf8(typed))) {
        m_host.ShowMessage("The commands could not be written; their record has stopped.",
                           MessageIcon::Error);
        m_streams.OutputStream(-4, 0);
    }
}

void zMachine::SelectInputStream(const Predecoded& in) {
    const int32_t number = Arg(in, 1, false);
    if (number == 1 && !m_files.PlaybackOpen()) {
        const auto name = m_host.AskFileName(FileUse::PlayCommands, DefaultFileName(".rec"));
        if (name && !name->empty() && m_files.InUse(*name))
            FileInUse(m_host, *name);
        else if (const auto failed =
                     name && !name->empty() ? m_files.OpenPlayback(*name) : std::nullopt)
            m_host.ShowMessage("The commands cannot be played back. " + *failed,
                               MessageIcon::Error);
    } else if (number == 0) {
        m_files.ClosePlayback();
    }
    Next(in);
}

} // namespace lantern
