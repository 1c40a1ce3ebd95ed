#pragma once

#include "input/Keyboard.h"
#include "platform/Host.h"

#include <istream>
#include <ostream>
#include <string>

namespace lantern {

/// The host of a scripted console game: keys come from the lines of an input stream, message
/// boxes go to an error stream, questions are answered Yes, and the game stops when it waits for
/// a key after the input has ended.
class ScriptHost : public Host {
  public:
    ScriptHost(std::istream& input, std::ostream& errors) : m_input(input), m_errors(errors) {}

    /// The story's output, flushed before each wait for input so that whoever drives the
    /// program through pipes sees the text it answers.
    void SetOutput(std::ostream& output) { m_output = &output; }

    /// The keyboard to type into; set once the machine exists.
    void SetKeyboard(Keyboard& keyboard) { m_keyboard = &keyboard; }

    /// The input is the terminal with descriptor fd (standard output is not): each line is
    /// taken when the player has typed it, timed input waits in real time, and the game ends
    /// when the player ends the input (Ctrl-D).
    void SetTerminalInput(int fd) { m_terminalFd = fd; }

    /// The device the story's sounds play on, when asked for (--sound); none: silence.
    void SetSound(SoundDevice* sound) { m_sound = sound; }

    /// Lines end with "\n", "\r\n" or a lone "\r"; a line is kept up to kMaxLineLength
    /// characters and the rest of it dropped.
    static constexpr size_t kMaxLineLength = 65536;

    /// A write to the transcript failed (why): the game stops at its next wait or event check.
    void SetOutputError(std::string why) { m_outputError = std::move(why); }
    const std::string& OutputError() const { return m_outputError; }

    void DoEvents() override;
    /// While input lines remain, they are typed without waiting; once the input has ended, the
    /// time passes at once, so that timed input times out, until kIdleLimitMs have passed
    /// without input: then the game stops as an untimed wait would. From a terminal, the wait
    /// lasts until a line is typed or the time is up.
    void DoEventsFor(int timeoutMs) override;
    /// Scripted time: it passes only while a timed wait has no input left (real time from a
    /// terminal).
    int64_t Milliseconds() override { return m_terminalFd >= 0 ? Host::Milliseconds() : m_clock; }
    static constexpr int64_t kIdleLimitMs = 60000;
    void ProcessPendingEvents() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    /// The next input line is the file name; nothing when the input has ended.
    std::optional<std::string> AskFileName(FileUse use, const std::string& suggested) override;
    void Beep() override {}
    SoundDevice* Sound() override { return m_sound; }

  private:
    /// Reads the next input line without its end; false when the input has ended.
    bool ReadInputLine(std::string& line);
    /// Writes a line that was read for a question to the output, as a command line is echoed.
    void EchoLine(const std::string& line);
    /// Ends the game when a stop signal came or the output failed.
    void CheckStop() const;
    /// Types pending input into a wait; false when the input has ended (and nothing was typed).
    bool TypeInput();
    /// Flushes the story's output, so that whoever answers it sees it; notes a failure.
    void FlushOutput();

    std::istream& m_input;
    std::ostream& m_errors;
    Keyboard* m_keyboard = nullptr;
    SoundDevice* m_sound = nullptr;
    std::ostream* m_output = nullptr;
    std::u32string m_pending;           ///< the rest of the current input line, its Enter included
    bool m_afterCarriageReturn = false; ///< the last line ended with "\r"
    std::string m_outputError;
    bool m_inputEnded = false;
    int64_t m_clock = 0;
    int64_t m_idleMs = 0;  ///< time passed in timed waits since the input ended
    int m_terminalFd = -1; ///< the input's descriptor when it is a terminal
};

/// Writes the story's text (UTF-8) as a terminal or file expects it: "\r\n" as "\n", and no
/// control characters but line feed and tab.
void WriteUtf8Text(std::ostream& out, std::string_view text);

} // namespace lantern
