// Input opcodes: line input, single keys and tokenising.
#include "machine/zMachine.h"

#include <array>

namespace lantern {

void zMachine::OpRead(const Predecoded& in) {
    const int32_t text = Arg(in, 1, true);
    const int32_t parse = in.OperandCount >= 2 ? Arg(in, 2, true) : 0;
    // The time and routine operands; they are read and not used unless input is timed.
    const int32_t time = in.OperandCount >= 3 ? Arg(in, 3, true) : 0;
    const int32_t routine = in.OperandCount >= 4 ? Arg(in, 4, true) : 0;
    if (IsTimed(time, routine)) {
        TimedRead(in, text, parse, time, routine);
        return;
    }
    PerformRead(text, parse);
    if (m_version >= 5)
        StoreResult(in, 13); // the line ended with Enter
    Next(in);
}

void zMachine::OpReadChar(const Predecoded& in) {
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
