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

void zMachine::OpSetTrueColour(const Predecoded& in) {
    if (!m_standard)
        return OpExtRefused(in);
    const int32_t fore = Arg(in, 1, true);
    const int32_t back = Arg(in, 2, true);
    // Version 6's window operand is read (a stack operand pops); there is one set of colours.
    if (in.OperandCount > 2)
        Arg(in, 3, false);
    m_screen.SetTrueColor(fore, back);
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

void zMachine::OpSetFont(const Predecoded& in) {
    if (!m_standard)
        return OpExtRefused(in);
    const int32_t font = Arg(in, 1, false);
    const int window = m_screen.CurrentWindow();
    const int current = m_screen.Window(window).Font;
    // Fonts 1, 3 (the character graphics) and 4 (fixed pitch) are there and answer the font
    // they replace; 0 asks which is in use; any other is refused with 0 and changes nothing.
    if (font == kFontNormal || font == kFontGraphics || font == kFontFixed) {
        m_screen.SetFont(window, font);
        StoreResult(in, current);
    } else {
        StoreResult(in, font == 0 ? current : 0);
    }
    Next(in);
}

} // namespace lantern
