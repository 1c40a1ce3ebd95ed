// Text and output-stream opcodes.
#include "machine/zMachine.h"
#include "memory/StoryError.h"

#include <string>

namespace lantern {

void zMachine::OpPrintLit(const Predecoded& in) {
    PrintText(m_cache.InlineText(in));
    Next(in);
}

void zMachine::OpPrintRet(const Predecoded& in) {
    PrintText(m_cache.InlineText(in));
    PrintText("\r\n");
    PerformReturn(1);
}

void zMachine::OpNewLine(const Predecoded& in) {
    PrintText("\r\n");
    Next(in);
}

void zMachine::OpPrintAddr(const Predecoded& in) {
    const int32_t address = Arg(in, 1, true);
    PrintText(m_text.PrintZString(m_story, address));
    Next(in);
}

void zMachine::OpPrintPaddr(const Predecoded& in) {
    const int32_t address = UnpackAddress(Arg(in, 1, true), false);
    PrintText(m_text.PrintZString(m_story, address));
    Next(in);
}

void zMachine::OpPrintObj(const Predecoded& in) {
    const int32_t object = Arg(in, 1, true);
    PrintText(m_objects.GetObject(object).ShortName());
    Next(in);
}

void zMachine::OpPrintChar(const Predecoded& in) {
    const int32_t code = Arg(in, 1, false);
    // Code 0 is null and prints nothing; 13 is a line break; there is nothing beyond 255.
    if (code == 13) {
        PrintText("\r\n");
    } else if (code > 0 && code <= 255) {
        const char c = static_cast<char>(code);
        PrintText(std::string_view(&c, 1));
    }
    Next(in);
}

void zMachine::OpPrintNum(const Predecoded& in) {
    PrintText(std::to_string(Arg(in, 1, false)));
    Next(in);
}

void zMachine::OpOutputStream(const Predecoded& in) {
    const int32_t number = Arg(in, 1, false);
    const int32_t table = in.OperandCount > 1 ? Arg(in, 2, true) : 0;
    // Version 6's width operand is read (a stack operand pops) and not used.
    if (in.OperandCount > 2)
        Arg(in, 3, false);
    if (number == 3 && in.OperandCount < 2)
        throw StoryError("output stream 3 selected without a table");
    // The complete Z-machine's transcript and record of commands go to files the player names.
    if (m_standard && (number == 2 || number == -2 || number == 4 || number == -4))
        SelectFileStream(number);
    else
        m_streams.OutputStream(number, table);
    Next(in);
}

} // namespace lantern
