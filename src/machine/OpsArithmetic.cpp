// Arithmetic, logic, comparison, shift and random-number opcodes.
#include "machine/zMachine.h"
#include "memory/StoryError.h"

namespace lantern {

void zMachine::OpAdd(const Predecoded& in, Signed a, Signed b) {
    StoreAndNext(in, a + b);
}

void zMachine::OpSub(const Predecoded& in, Signed a, Signed b) {
    StoreAndNext(in, a - b);
}

void zMachine::OpMul(const Predecoded& in, Signed a, Signed b) {
    StoreAndNext(in, a * b); // |a|, |b| <= 32768, so the product fits 32 bits
}

void zMachine::OpDiv(const Predecoded& in, Signed a, Signed b) {
    if (b == 0)
        throw StoryError("division by zero");
    StoreAndNext(in, a / b);
}

void zMachine::OpMod(const Predecoded& in, Signed a, Signed b) {
    if (b == 0)
        throw StoryError("remainder of a division by zero");
    StoreAndNext(in, a % b);
}

void zMachine::OpOr(const Predecoded& in, Unsigned a, Unsigned b) {
    StoreAndNext(in, a | b);
}

void zMachine::OpAnd(const Predecoded& in, Unsigned a, Unsigned b) {
    StoreAndNext(in, a & b);
}

void zMachine::OpNot(const Predecoded& in, Unsigned a) {
    StoreAndNext(in, ~a);
}

void zMachine::OpJz(const Predecoded& in, Signed a) {
    Branch(a == 0, in);
}

void zMachine::OpJe(const Predecoded& in, Signed a, Signed b, Signed c) {
    // Every operand is read, in order; with one operand there is nothing to be equal to. A
    // fourth operand, rare, is read the general way.
    if (in.OperandCount > 3) [[unlikely]] {
        const bool fourth = Arg(in, 4, false) == a;
        return Branch((b == a) || (c == a) || fourth, in);
    }
    Branch((in.OperandCount >= 2 && b == a) || (in.OperandCount >= 3 && c == a), in);
}

void zMachine::OpJl(const Predecoded& in, Signed a, Signed b) {
    Branch(a < b, in);
}

void zMachine::OpJg(const Predecoded& in, Signed a, Signed b) {
    Branch(a > b, in);
}

void zMachine::OpTest(const Predecoded& in, Signed bitmap, Signed flags) {
    Branch((bitmap & flags) == flags, in);
}

// The variable-name opcodes take their first operand as a variable number (a variable operand
// holds the number: an indirect reference) and read and write variable 0 in place (the top of
// the stack, without popping or pushing).

void zMachine::OpIncChk(const Predecoded& in, NamedVariable variable) {
    const int32_t value = ReadOperand(kVariable, variable, true, false) + 1;
    WriteVariable(variable, value, true);
    // The bound is read after the change: a stack operand pops the new value.
    const int32_t b = Arg(in, 2, false);
    Branch(static_cast<int16_t>(value) > b, in);
}

void zMachine::OpDecChk(const Predecoded& in, NamedVariable variable) {
    const int32_t value = ReadOperand(kVariable, variable, true, false) - 1;
    WriteVariable(variable, value, true);
    const int32_t b = Arg(in, 2, false);
    Branch(static_cast<int16_t>(value) < b, in);
}

void zMachine::OpInc(const Predecoded& in, NamedVariable variable) {
    Next(in);
    WriteVariable(variable, ReadOperand(kVariable, variable, true, false) + 1, true);
}

void zMachine::OpDec(const Predecoded& in, NamedVariable variable) {
    Next(in);
    WriteVariable(variable, ReadOperand(kVariable, variable, true, false) - 1, true);
}

void zMachine::OpLoad(const Predecoded& in, NamedVariable variable) {
    StoreAndNext(in, ReadOperand(kVariable, variable, true, false));
}

void zMachine::OpStore(const Predecoded& in, NamedVariable variable, Unsigned value) {
    Next(in);
    WriteVariable(variable, value, true);
}

void zMachine::OpCheckArgCount(const Predecoded& in, Signed count) {
    Branch(CurrentRoutine().ArgCount >= count, in);
}

void zMachine::OpLogShift(const Predecoded& in, Signed number, Signed places) {
    uint32_t pattern = static_cast<uint32_t>(number) & 0xFFFF;
    if (places >= 0)
        pattern = places >= 16 ? 0 : (pattern << places) & 0xFFFF;
    else
        pattern = -places >= 16 ? 0 : pattern >> -places;
    StoreAndNext(in, static_cast<int32_t>(pattern));
}

void zMachine::OpArtShift(const Predecoded& in, Signed number, Signed places) {
    int32_t result;
    if (places >= 0)
        result = places >= 16
                     ? 0
                     : static_cast<int32_t>((static_cast<uint32_t>(number) << places) & 0xFFFF);
    else
        result = number >> (-places >= 15 ? 15 : -places); // arithmetic: the sign is kept
    StoreAndNext(in, result);
}

void zMachine::OpRandom(const Predecoded& in, Signed range) {
    int32_t result = 0;
    if (range > 0)
        result = m_random.Next(range);
    else if (range < 0)
        m_random.Seed(static_cast<uint64_t>(-static_cast<int64_t>(range)));
    else
        m_random.SeedFromClock();
    StoreAndNext(in, result);
}

} // namespace lantern
