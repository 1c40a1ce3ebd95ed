// Screen opcodes: each is one call on the screen model.
#include "machine/zMachine.h"

namespace lantern {

void zMachine::OpShowStatus(const Predecoded& in) {
    DrawStatusLine();
    Next(in);
}

void zMachine::OpSetColour(const Predecoded& in) {
    const int32_t fore = Arg(in, 1, false);
    const int32_t back = Arg(in, 2, false);
    m_screen.SetColor(fore, back);
    Next(in);
}

void zMachine::OpSplitWindow(const Predecoded& in) {
    m_screen.SplitWindow(Arg(in, 1, false));
    Next(in);
}

void zMachine::OpSetWindow(const Predecoded& in) {
    m_screen.SetWindow(Arg(in, 1, false));
    Next(in);
}

void zMachine::OpEraseWindow(const Predecoded& in) {
    m_screen.EraseWindow(Arg(in, 1, false));
    m_host.ProcessPendingEvents();
    Next(in);
}

void zMachine::OpEraseLine(const Predecoded& in) {
    m_screen.EraseLine(Arg(in, 1, false), m_version);
    Next(in);
}

void zMachine::OpSetCursor(const Predecoded& in) {
    const int32_t line = Arg(in, 1, false);
    const int32_t column = Arg(in, 2, false);
    const int32_t window = m_version == 6 ? Arg(in, 3, false) : 0;
    m_screen.SetCursor(line, column, m_version, window);
    Next(in);
}

void zMachine::OpGetCursor(const Predecoded& in) {
    const int64_t table = Arg(in, 1, true);
    const auto [line, column] = m_screen.GetCursor();
    m_story.WriteWord(table, line);
    m_story.WriteWord(table + 2, column);
    Next(in);
}

void zMachine::OpSetTextStyle(const Predecoded& in) {
    m_screen.SetTextStyle(Arg(in, 1, false));
    Next(in);
}

void zMachine::OpBufferMode(const Predecoded& in) {
    m_screen.BufferMode(Arg(in, 1, false));
    Next(in);
}

void zMachine::OpSoundEffect(const Predecoded& in) {
    for (int i = 1; i <= in.OperandCount; ++i)
        Arg(in, i, false);
    m_host.Beep();
    Next(in);
}

} // namespace lantern
