// Memory, table, stack, call and return opcodes.
#include "machine/zMachine.h"
#include "memory/StoryError.h"

namespace lantern {

namespace {

// The address of a table element: the 32-bit sum when it lies in the story, else the sum cut to
// 16 bits, which is where a negative index (an operand read unsigned) really points.
int64_t TableAddress(const StoryImage& story, int64_t table, int64_t offset, int64_t size) {
    const int64_t address = table + offset;
    return story.Contains(address, size) ? address : (address & 0xFFFF);
}

} // namespace

void zMachine::OpLoadw(const Predecoded& in) {
    const int64_t a = Arg(in, 1, true);
    const int64_t b = Arg(in, 2, true);
    StoreResult(in, m_story.ReadWord(TableAddress(m_story, a, 2 * b, 2), true));
    Next(in);
}

void zMachine::OpLoadb(const Predecoded& in) {
    const int64_t a = Arg(in, 1, true);
    const int64_t b = Arg(in, 2, true);
    StoreResult(in, m_story.ReadByte(TableAddress(m_story, a, b, 1)));
    Next(in);
}

void zMachine::OpStorew(const Predecoded& in) {
    const int64_t a = Arg(in, 1, true);
    const int64_t b = Arg(in, 2, true);
    const int32_t v = Arg(in, 3, false);
    const int64_t address = TableAddress(m_story, a, 2 * b, 2);
    m_story.WriteWord(address, v);
    if (address == 0x10) {
        // Flags 2 bit 1 asks for fixed-pitch text.
        if (v & 2) {
            m_screen.SetTextStyle(kStyleFixed);
        } else {
            // Styles only accumulate, so fixed pitch goes by clearing them all and setting
            // reverse, bold and italic again.
            const int kept = m_screen.GetTextStyle() & (kStyleReverse | kStyleBold | kStyleItalic);
            m_screen.SetTextStyle(0);
            if (kept != 0)
                m_screen.SetTextStyle(kept);
        }
    }
    Next(in);
}

void zMachine::OpStoreb(const Predecoded& in) {
    const int64_t a = Arg(in, 1, true);
    const int64_t b = Arg(in, 2, true);
    m_story.WriteByte(TableAddress(m_story, a, b, 1), Arg(in, 3, false));
    Next(in);
}

void zMachine::OpPush(const Predecoded& in) {
    WriteVariable(0, Arg(in, 1, false), false);
    Next(in);
}

void zMachine::OpPull(const Predecoded& in) {
    if (m_version == 6) {
        StoreResult(in, ReadOperand(kVariable, 0, false, false));
    } else {
        // Like the other opcodes that name a variable, PULL writes the stack in place: pulling
        // into the stack replaces the new top with the popped value.
        const int variable = VariableOperand(in);
        WriteVariable(variable, ReadOperand(kVariable, 0, false, false), true);
    }
    Next(in);
}

void zMachine::OpPop(const Predecoded& in) {
    if (m_version >= 5) {
        // CATCH: the token of the current routine frame is the number of frames; nothing is
        // popped.
        StoreResult(in, m_frameIndex + 1);
    } else {
        ReadOperand(kVariable, 0, false, false);
    }
    Next(in);
}

void zMachine::OpRetPopped(const Predecoded&) {
    PerformReturn(ReadOperand(kVariable, 0, false, false));
}

void zMachine::OpRtrue(const Predecoded&) {
    PerformReturn(1);
}

void zMachine::OpRfalse(const Predecoded&) {
    PerformReturn(0);
}

void zMachine::OpRet(const Predecoded& in) {
    PerformReturn(Arg(in, 1, false));
}

void zMachine::OpJump(const Predecoded& in) {
    const int32_t target = in.NextInstr() + Arg(in, 1, false) - 2;
    // A jump before the story's start is this instruction's fault, reported at its address.
    if (target < 0)
        throw StoryError("JUMP to a negative address");
    m_pc = target;
}

void zMachine::Call(const Predecoded& in, int storeVar) {
    const int32_t routine = UnpackAddress(Arg(in, 1, true), true);
    int32_t arguments[kMaxOperands + 1] = {};
    const int count = in.OperandCount > 0 ? in.OperandCount - 1 : 0;
    for (int i = 1; i <= count; ++i)
        arguments[i] = Arg(in, i + 1, false);
    PerformCall(routine, in.NextInstr(), storeVar, count, arguments);
}

void zMachine::OpCallStore(const Predecoded& in) {
    Call(in, in.Store);
}

void zMachine::OpCallDiscard(const Predecoded& in) {
    Call(in, -1);
}

void zMachine::OpScanTable(const Predecoded& in) {
    const int32_t x = Arg(in, 1, true);
    const int64_t table = Arg(in, 2, true);
    const int32_t length = Arg(in, 3, false);
    // The form: bit 7 set compares words, clear compares bytes; the low bits are the size of
    // each field. Without a fourth operand the table holds words.
    const int32_t form = in.OperandCount >= 4 ? Arg(in, 4, true) : 0x82;
    const bool words = (form & 0x80) != 0;
    const int64_t field = form & 0x7F;
    for (int32_t i = 0; i < length; ++i) {
        const int64_t address = table + field * i;
        const int32_t value = words ? m_story.ReadWord(address, true) : m_story.ReadByte(address);
        if (value == x) {
            StoreResult(in, static_cast<int32_t>(address));
            Branch(true, in);
            return;
        }
    }
    StoreResult(in, 0);
    Branch(false, in);
}

void zMachine::OpCopyTable(const Predecoded& in) {
    const int64_t first = Arg(in, 1, true);
    const int64_t second = Arg(in, 2, true);
    const int32_t size = Arg(in, 3, false);
    const int64_t n = size < 0 ? -int64_t{size} : size;
    if (second == 0) {
        for (int64_t i = 0; i < n; ++i)
            m_story.WriteByte(first + i, 0);
    } else if (size < 0 || second < first) {
        for (int64_t i = 0; i < n; ++i)
            m_story.WriteByte(second + i, m_story.ReadByte(first + i));
    } else {
        for (int64_t i = n - 1; i >= 0; --i)
            m_story.WriteByte(second + i, m_story.ReadByte(first + i));
    }
    Next(in);
}

} // namespace lantern
