// Input opcodes: line input, single keys and tokenising.
#include "machine/zMachine.h"

namespace lantern {

void zMachine::OpRead(const zInstruction& in) {
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

void zMachine::OpReadChar(const zInstruction& in) {
    for (int i = 1; i <= in.OperandCount; ++i)
        Arg(in, i, false);
    m_screen.SetLinesPrinted(0);
    m_screen.UpdateDisplay();
    StoreResult(in, m_keyboard.WaitForKey());
    Next(in);
}

void zMachine::OpTokenise(const zInstruction& in) {
    const int32_t text = Arg(in, 1, true);
    const int32_t parse = Arg(in, 2, true);
    if (parse != 0)
        m_dictionary.Tokenise(m_story, text, parse, false);
    Next(in);
}

} // namespace lantern
