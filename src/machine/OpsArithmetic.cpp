// Arithmetic, logic, comparison, shift and random-number opcodes.
#include "machine/zMachine.h"
#include "memory/StoryError.h"

namespace lantern {

void zMachine::OpAdd(const Predecoded& in) {
    const int32_t a = Arg(in, 1, false);
    StoreResult(in, a + Arg(in, 2, false));
    Next(in);
}

void zMachine::OpSub(const Predecoded& in) {
    const int32_t a = Arg(in, 1, false);
    StoreResult(in, a - Arg(in, 2, false));
    Next(in);
}

void zMachine::OpMul(const Predecoded& in) {
    const int32_t a = Arg(in, 1, false);
    StoreResult(in, a * Arg(in, 2, false)); // |a|, |b| <= 32768, so the product fits 32 bits
    Next(in);
}

void zMachine::OpDiv(const Predecoded& in) {
    const int32_t a = Arg(in, 1, false);
    const int32_t b = Arg(in, 2, false);
    if (b == 0)
        throw StoryError("division by zero");
    StoreResult(in, a / b);
    Next(in);
}

void zMachine::OpMod(const Predecoded& in) {
    const int32_t a = Arg(in, 1, false);
    const int32_t b = Arg(in, 2, false);
    if (b == 0)
        throw StoryError("remainder of a division by zero");
    StoreResult(in, a % b);
    Next(in);
}

void zMachine::OpOr(const Predecoded& in) {
    const int32_t a = Arg(in, 1, true);
    StoreResult(in, a | Arg(in, 2, true));
    Next(in);
}

void zMachine::OpAnd(const Predecoded& in) {
    const int32_t a = Arg(in, 1, true);
    StoreResult(in, a & Arg(in, 2, true));
    Next(in);
}

void zMachine::OpNot(const Predecoded& in) {
    StoreResult(in, ~Arg(in, 1, true));
    Next(in);
}

void zMachine::OpJz(const Predecoded& in) {
    Branch(Arg(in, 1, false) == 0, in);
}

void zMachine::OpJe(const Predecoded& in) {
    const int32_t a = Arg(in, 1, false);
    bool equal = false;
    for (int i = 2; i <= in.OperandCount; ++i)
        equal = (Arg(in, i, false) == a) || equal; // every operand is read, in order
    Branch(equal, in);
}

void zMachine::OpJl(const Predecoded& in) {
    const int32_t a = Arg(in, 1, false);
    Branch(a < Arg(in, 2, false), in);
}

void zMachine::OpJg(const Predecoded& in) {
    const int32_t a = Arg(in, 1, false);
    Branch(a > Arg(in, 2, false), in);
}

void zMachine::OpTest(const Predecoded& in) {
    const int32_t bitmap = Arg(in, 1, false);
    const int32_t flags = Arg(in, 2, false);
    Branch((bitmap & flags) == flags, in);
}

// The variable-name opcodes take their first operand as a variable number (a variable operand
// holds the number: an indirect reference) and read and write variable 0 in place (the top of
// the stack, without popping or pushing).

int zMachine::VariableOperand(const Predecoded& in) {
    if (in.Kind(1) == kVariable)
        return ReadOperand(kVariable, in.Operand[0], false, true) & 0xFF;
    return in.Operand[0] & 0xFF;
}

void zMachine::OpIncChk(const Predecoded& in) {
    const int variable = VariableOperand(in);
    const int32_t value = ReadOperand(kVariable, variable, true, false) + 1;
    WriteVariable(variable, value, true);
    const int32_t b = Arg(in, 2, false);
    Branch(static_cast<int16_t>(value) > b, in);
}

void zMachine::OpDecChk(const Predecoded& in) {
    const int variable = VariableOperand(in);
    const int32_t value = ReadOperand(kVariable, variable, true, false) - 1;
    WriteVariable(variable, value, true);
    const int32_t b = Arg(in, 2, false);
    Branch(static_cast<int16_t>(value) < b, in);
}

void zMachine::OpInc(const Predecoded& in) {
    const int variable = VariableOperand(in);
    WriteVariable(variable, ReadOperand(kVariable, variable, true, false) + 1, true);
    Next(in);
}

void zMachine::OpDec(const Predecoded& in) {
    const int variable = VariableOperand(in);
    WriteVariable(variable, ReadOperand(kVariable, variable, true, false) - 1, true);
    Next(in);
}

void zMachine::OpLoad(const Predecoded& in) {
    StoreResult(in, ReadOperand(kVariable, VariableOperand(in), true, false));
    Next(in);
}

void zMachine::OpStore(const Predecoded& in) {
    const int variable = VariableOperand(in);
    WriteVariable(variable, Arg(in, 2, true), true);
    Next(in);
}

void zMachine::OpCheckArgCount(const Predecoded& in) {
    Branch(CurrentRoutine().ArgCount >= Arg(in, 1, false), in);
}

void zMachine::OpLogShift(const Predecoded& in) {
    const int32_t number = Arg(in, 1, false);
    const int32_t places = Arg(in, 2, false);
    uint32_t pattern = static_cast<uint32_t>(number) & 0xFFFF;
    if (places >= 0)
        pattern = places >= 16 ? 0 : (pattern << places) & 0xFFFF;
    else
        pattern = -places >= 16 ? 0 : pattern >> -places;
    StoreResult(in, static_cast<int32_t>(pattern));
    Next(in);
}

void zMachine::OpArtShift(const Predecoded& in) {
    const int32_t number = Arg(in, 1, false);
    const int32_t places = Arg(in, 2, false);
    int32_t result;
    if (places >= 0)
        result = places >= 16
                     ? 0
                     : static_cast<int32_t>((static_cast<uint32_t>(number) << places) & 0xFFFF);
    else
        result = number >> (-places >= 15 ? 15 : -places); // arithmetic: the sign is kept
    StoreResult(in, result);
    Next(in);
}

void zMachine::OpRandom(const Predecoded& in) {
    const int32_t range = Arg(in, 1, false);
    int32_t result = 0;
    if (range > 0)
        result = m_random.Next(range);
    else if (range < 0)
        m_random.Seed(static_cast<uint64_t>(-static_cast<int64_t>(range)));
    else
        m_random.SeedFromClock();
    StoreResult(in, result);
    Next(in);
}

} // namespace lantern
