// Memory, table, stack, call and return opcodes.
#include "machine/zMachine.h"
#include "memory/StoryError.h"

namespace lantern {

namespace {

// Table elements: at the 32-bit sum of table and offset when the element lies in the story, else
// at the sum cut to 16 bits, which is where a negative index (an operand read unsigned) really
// points. Tested once: inside the story the access that follows does not test again.
template <class Access>
auto AtTableAddress(const StoryImage& story, int64_t table, int64_t offset, int64_t size,
                    Access access) {
    const int64_t address = table + offset;
    if (story.Contains(address, size)) [[likely]]
        return access(address);
    return access(address & 0xFFFF);
}

} // namespace

void zMachine::OpLoadw(const Predecoded& in, Unsigned table, Unsigned index) {
    StoreAndNext(in, AtTableAddress(m_story, table, 2 * int64_t{index}, 2, [&](int64_t address) {
                     return m_story.ReadWord(address, true);
                 }));
}

void zMachine::OpLoadb(const Predecoded& in, Unsigned table, Unsigned index) {
    StoreAndNext(in, AtTableAddress(m_story, table, index, 1,
                                    [&](int64_t address) { return m_story.ReadByte(address); }));
}

void zMachine::OpStorew(const Predecoded& in, Unsigned table, Unsigned index, Signed value) {
    Next(in);
    const int64_t address = AtTableAddress(m_story, table, 2 * int64_t{index}, 2, [&](int64_t at) {
        m_story.WriteWord(at, value);
        return at;
    });
    if (address == 0x10) [[unlikely]] {
        // Flags 2 bit 1 asks for fixed-pitch text.
        if (value & 2) {
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
}

void zMachine::OpStoreb(const Predecoded& in, Unsigned table, Unsigned index, Signed value) {
    Next(in);
    AtTableAddress(m_story, table, index, 1,
                   [&](int64_t address) { m_story.WriteByte(address, value); });
}

void zMachine::OpPush(const Predecoded& in, Signed value) {
    Next(in);
    WriteVariable(0, value, false);
}

void zMachine::OpPull(const Predecoded& in, NamedVariable variable) {
    Next(in);
    // Like the other opcodes that name a variable, PULL writes the stack in place: pulling into
    // the stack replaces the new top with the popped value.
    WriteVariable(variable, Pop(), true);
}

void zMachine::OpPullStore(const Predecoded& in) {
    StoreAndNext(in, Pop());
}

void zMachine::OpPop(const Predecoded& in) {
    if (m_version >= 5) {
        // CATCH: the token of the current routine frame is the number of frames; nothing is
        // popped.
        StoreResult(in, m_frameIndex + 1);
    } else {
        Pop();
    }
    Next(in);
}

void zMachine::OpRetPopped(const Predecoded&) {
    PerformReturn(Pop());
}

void zMachine::OpRtrue(const Predecoded&) {
    PerformReturn(1);
}

void zMachine::OpRfalse(const Predecoded&) {
    PerformReturn(0);
}

void zMachine::OpRet(const Predecoded&, Signed value) {
    PerformReturn(value);
}

void zMachine::OpJump(const Predecoded& in, Signed offset) {
    const int32_t target = in.NextInstr() + offset - 2;
    // A jump before the story's start is this instruction's fault, reported at its address.
    if (target < 0)
        throw StoryError("JUMP to a negative address");
    m_pc = target;
}

void zMachine::OpCallStore(const Predecoded& in, Unsigned routine, Signed first) {
    Call(in, in.Store, routine, first);
}

void zMachine::OpCallDiscard(const Predecoded& in, Unsigned routine, Signed first) {
    Call(in, -1, routine, first);
}

void zMachine::OpScanTable(const Predecoded& in, Unsigned x, Unsigned table, Signed length) {
    // The form: bit 7 set compares words, clear compares bytes; the low bits are the size of
    // each field. Without a fourth operand the table holds words.
    const int32_t form = in.OperandCount >= 4 ? Arg(in, 4, true) : 0x82;
    const bool words = (form & 0x80) != 0;
    const int64_t field = form & 0x7F;
    for (int32_t i = 0; i < length; ++i) {
        const int64_t address = int64_t{table} + field * i;
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

void zMachine::OpCopyTable(const Predecoded& in, Unsigned first, Unsigned second, Signed size) {
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
