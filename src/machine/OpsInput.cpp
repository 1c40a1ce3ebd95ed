// Input opcodes: line input, single keys and tokenising.
#include "machine/zMachine.h"

namespace lantern {

void zMachine::OpRead(const Predecoded& in) {
    const int32_t text = Arg(in, 1, true);
    const int32_t parse = in.OperandCount >= 2 ? Arg(in, 2, true) : 0;
    // Timed input is not provided: the time and routine operands are read and not used.
    for (int i = 3; i <= in.OperandCount; ++i)
        Arg(in, i, true);
    PerformRead(text, parse);
    if (m_version >= 5)
        StoreResult(in, 13); // the line ended with Enter
    Next(in);
}

void zMachine::OpReadChar(const Predecoded& in) {
    for (int i = 1; i <= in.OperandCount; ++i)
        Arg(in, i, false);
    m_screen.SetLinesPrinted(0);
    m_screen.UpdateDisplay();
    StoreResult(in, m_keyboard.WaitForKey());
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
