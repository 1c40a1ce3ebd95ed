// Input opcodes: line input, single keys and tokenising.
#include "machine/zMachine.h"

#include <algorithm>
#include <array>

namespace lantern {

void zMachine::OpRead(const Predecoded& in) {
    if (m_programDriven && StopsForInput(Awaiting::Line)) [[unlikely]]
        return;
    MarkInputBoundary(in.Address);
    const int32_t text = Arg(in, 1, true);
    const int32_t parse = in.OperandCount >= 2 ? Arg(in, 2, true) : 0;
    // The time and routine operands; they are read and not used unless input is timed.
    const int32_t time = in.OperandCount >= 3 ? Arg(in, 3, true) : 0;
    const int32_t routine = in.OperandCount >= 4 ? Arg(in, 4, true) : 0;
    if (IsTimed(time, routine)) {
        TimedRead(in, text, parse, time, routine);
        return;
    }
    const int terminator = PerformRead(text, parse);
    if (m_version >= 5)
        StoreResult(in, terminator); // Enter, or one of the story's terminating keys
    Next(in);
}

std::vector<int> zMachine::TerminatingKeys() const {
    std::vector<int> keys;
    if (!m_standard || m_version < 5)
        return keys;
    const int32_t table = m_story.ReadWord(0x2E, true);
    // A table of function key codes up to a 0; 255 stands for all of them. A table that runs
    // on without its 0 is read no further than any list of keys could reach.
    for (int32_t address = table; table != 0 && address < table + 256; ++address) {
        if (!m_story.Contains(address))
            break;
        const int code = m_story.ReadByte(address);
        if (code == 0)
            break;
        if (code == 255) {
            for (int key = 0; key < 256; ++key)
                if (IsFunctionKey(key))
                    keys.push_back(key);
        } else if (IsFunctionKey(code)) {
            keys.push_back(code);
        }
    }
    return keys;
}

int zMachine::PerformRead(int32_t textOffset, int32_t parseOffset, const Keyboard::Timer* timer) {
    if (m_version < 4)
        DrawStatusLine();
    // The text buffer's first byte bounds the line: in versions 1 to 4 it leaves room for the
    // terminating zero.
    const int maximum = m_story.ReadByte(textOffset);
    const size_t capacity = m_version <= 4 ? (maximum > 0 ? maximum - 1 : 0) : maximum;
    // From version 5 the story may leave text in the buffer (its length in byte 1), which it
    // has already printed: the player goes on from it and may rub it out.
    std::string preload;
    if (m_version >= 5) {
        const int count =
            std::min<int>(m_story.ReadByte(textOffset + 1), static_cast<int>(capacity));
        for (int i = 0; i < count; ++i)
            preload.push_back(static_cast<char>(m_story.ReadByte(textOffset + 2 + int64_t{i})));
    }
    if (m_standard)
        PlayCommand();
    m_pager.StartInput(preload);
    std::string line;
    try {
        line = m_keyboard.ReadLine(
            capacity, preload,
            [this](std::string_view shown, size_t caret) {
                const std::string drawn = m_pager.ShowInput(shown, caret);
                // Also a line read by a timed wait's routine has written to the screen: the
                // waiting line is shown again after it.
                ++m_screenWrites;
                if (m_transcript && m_screen.CurrentWindow() == 0 && !drawn.empty() &&
                    !m_programDriven)
                    m_transcript(m_screen.ShownText(drawn));
            },
            timer, TerminatingKeys());
    } catch (...) {
        m_pager.EndInput();
        throw;
    }
    m_pager.EndInput();
    const int terminator = m_keyboard.Terminator();
    if (terminator != 0) // not ended by its timer
        InputRead();
    if (m_standard && terminator == 13)
        KeepCommand(line.starts_with(preload) ? std::string_view(line).substr(preload.size())
                                              : std::string_view(line));
    // A line ended by its timer or a function key stays open on the screen, for the story to
    // go on from.
    if (terminator == 13) {
        // The typed line's end goes with the echo: to the transcript sink unless a program
        // typed it.
        m_echoHidden = m_programDriven;
        try {
            PrintText("\r\n");
        } catch (...) {
            m_echoHidden = false;
            throw;
        }
        m_echoHidden = false;
    }
    // The text buffer holds the line in lower case, as the dictionary does.
    for (char& c : line)
        c = static_cast<char>(m_chars.ToLower(static_cast<uint8_t>(c)));
    if (m_version <= 4) {
        for (size_t i = 0; i < line.size(); ++i)
            m_story.WriteByte(textOffset + 1 + static_cast<int64_t>(i),
                              static_cast<uint8_t>(line[i]));
        m_story.WriteByte(textOffset + 1 + static_cast<int64_t>(line.size()), 0);
    } else {
        m_story.WriteByte(textOffset + 1, static_cast<int32_t>(line.size()));
        for (size_t i = 0; i < line.size(); ++i)
            m_story.WriteByte(textOffset + 2 + static_cast<int64_t>(i),
                              static_cast<uint8_t>(line[i]));
    }
    if (parseOffset != 0)
        m_dictionary.Tokenise(m_story, textOffset, parseOffset, false);
    return terminator;
}

void zMachine::OpReadChar(const Predecoded& in) {
    if (m_programDriven && StopsForInput(Awaiting::Key)) [[unlikely]]
        return;
    MarkInputBoundary(in.Address);
    // Operand 1 is always 1; then the time and the routine, not used unless input is timed.
    std::array<int32_t, 4> operands{};
    for (int i = 1; i <= in.OperandCount; ++i) {
        const int32_t value = Arg(in, i, i >= 2);
        if (i <= 3)
            operands[static_cast<size_t>(i)] = value;
    }
    m_screen.SetLinesPrinted(0);
    m_screen.UpdateDisplay();
    if (IsTimed(operands[2], operands[3])) {
        TimedReadChar(in, operands[2], operands[3]);
        return;
    }
    const int key = m_keyboard.WaitForKey();
    InputRead();
    StoreResult(in, key);
    Next(in);
}

void zMachine::OpTokenise(const Predecoded& in) {
    const int32_t text = Arg(in, 1, true);
    const int32_t parse = Arg(in, 2, true);
    // Every operand is read, so that stack operands are popped: a dictionary of the story's own
    // (0 for the main one) and the flag that leaves the records of unknown words untouched.
    const int32_t dictionary = in.OperandCount >= 3 ? Arg(in, 3, true) : 0;
    const bool ignoreNoMatch = in.OperandCount >= 4 && Arg(in, 4, true) != 0;
    if (parse != 0) {
        if (dictionary != 0) {
            zDictionary own(m_text);
            own.LoadDictionary(m_story, dictionary);
            own.Tokenise(m_story, text, parse, ignoreNoMatch);
        } else {
            m_dictionary.Tokenise(m_story, text, parse, ignoreNoMatch);
        }
    }
    Next(in);
}

} // namespace lantern
