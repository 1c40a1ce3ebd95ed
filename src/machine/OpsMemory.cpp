// Memory, table, stack, call and return opcodes.
#include "machine/zMachine.h"
#include "memory/StoryError.h"

#include <algorithm>
#include <string>

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

// ---- Calls ---------------------------------------------------------------------------------

namespace {

// Faults of a call, out of the way of the calls that succeed.
[[noreturn, gnu::cold, gnu::noinline]] void RefuseCall(int localCount) {
    if (localCount > kMaxLocals)
        throw StoryError("a routine declares " + std::to_string(localCount) +
                         " locals (at most 15 are allowed)");
    throw StoryError("routine calls nested too deeply (more than 90)");
}

} // namespace

inline zRoutine& zMachine::PushFrame(int32_t routine, int32_t returnAddress, int storeVar,
                                     int count) {
    const int localCount = m_story.ReadByte(routine);
    if (localCount > kMaxLocals || m_frameIndex >= kMaxFrameIndex) [[unlikely]]
        RefuseCall(localCount);
    // The frames are kept from call to call: every field is set here.
    ++m_frameIndex;
    zRoutine& frame = *++m_frame;
    frame.FramePointer = m_stackPointer;
    frame.ReturnAddress = returnAddress;
    frame.ArgCount = count;
    frame.LocalCount = localCount;
    frame.StoreVar = storeVar;
    frame.EndsGame = false;
    frame.Locals.fill(0);
    m_pc = routine + 1;
    if (m_version < 5) [[unlikely]] {
        for (int i = 1; i <= localCount; ++i) {
            frame.Locals[static_cast<size_t>(i)] = m_story.ReadWord(m_pc, true);
            m_pc += 2;
        }
    }
    return frame;
}

void zMachine::CallNothing(int32_t returnAddress, int storeVar) {
    // A call of address 0 makes no frame: its result is 0.
    if (storeVar >= 0)
        WriteVariable(storeVar, 0, false);
    m_pc = returnAddress;
}

void zMachine::PerformCall(int32_t routine, int32_t returnAddress, int storeVar, int argumentCount,
                           const int32_t* arguments) {
    if (routine == 0)
        return CallNothing(returnAddress, storeVar);
    zRoutine& frame = PushFrame(routine, returnAddress, storeVar, argumentCount);
    const int given = std::min(argumentCount, kMaxLocals);
    for (int i = 1; i <= given; ++i)
        frame.Locals[static_cast<size_t>(i)] = arguments[i] & 0xFFFF;
}

void zMachine::CallWithMore(const Predecoded& in, int storeVar, int32_t routine, int32_t a1,
                            int32_t a2) {
    // The arguments after the first two are read now, in order, before the routine is looked
    // at.
    int32_t arguments[kMaxOperands + 1];
    arguments[1] = a1;
    arguments[2] = a2;
    const int count = in.OperandCount - 1;
    for (int i = 3; i <= count; ++i)
        arguments[i] = Arg(in, i + 1, false);
    PerformCall(UnpackRoutine(routine), in.NextInstr(), storeVar, count, arguments);
}

// The call opcodes take the routine and the first two arguments (a missing one reads as 0);
// calls with more arguments go the general way.
[[gnu::always_inline]] inline void zMachine::Call(const Predecoded& in, int storeVar,
                                                  int32_t packed, int32_t a1, int32_t a2) {
    const int count = in.OperandCount > 1 ? in.OperandCount - 1 : 0;
    if (count > 2) [[unlikely]]
        return CallWithMore(in, storeVar, packed, a1, a2);
    const int32_t routine = UnpackRoutine(packed);
    if (routine == 0) [[unlikely]]
        return CallNothing(in.NextInstr(), storeVar);
    zRoutine& frame = PushFrame(routine, in.NextInstr(), storeVar, count);
    if (count >= 1)
        frame.Locals[1] = a1 & 0xFFFF;
    if (count >= 2)
        frame.Locals[2] = a2 & 0xFFFF;
}

void zMachine::OpCallStore(const Predecoded& in, Unsigned routine, Signed a1, Signed a2) {
    Call(in, in.Store, routine, a1, a2);
}

void zMachine::OpCallDiscard(const Predecoded& in, Unsigned routine, Signed a1, Signed a2) {
    Call(in, -1, routine, a1, a2);
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
