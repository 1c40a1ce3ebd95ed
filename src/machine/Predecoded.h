#pragma once

#include "machine/zInstruction.h"

#include <array>
#include <cstdint>

namespace lantern {

class zMachine;
struct Predecoded;

/// Executes one instruction on the machine.
using OpHandler = void (*)(zMachine&, const Predecoded&);

/// Where an operand's value comes from, known once the instruction is decoded. Each opcode has
/// a handler made for every form of its first operands, which reads them without asking.
enum OperandForm : uint8_t {
    kFormConstant = 0, ///< the value is in the record
    kFormLocal = 1,    ///< a local of the current routine; the record holds its number
    kFormStack = 2,    ///< the top of the stack, popped
    kFormGlobal = 3,   ///< a global, from the table in story memory; the record holds its number
    kFormAny = 4,      ///< asked at each run (a global while its table lies outside the image)
};
/// The forms that handlers are made for, and the operands whose forms they are made for: a
/// handler that takes operand values has one for every form of its first three.
inline constexpr size_t kHandlerForms = 4;
inline constexpr size_t kSpecialisedOperands = 3;
inline constexpr size_t kFormTable = kHandlerForms * kHandlerForms * kHandlerForms;

// An operand's value as a handler receives it: the opcode tables' s and u.

/// Read signed: -32768..32767.
struct Signed {
    int32_t value = 0;
    static Signed From(int32_t raw) { return {static_cast<int16_t>(raw)}; }
    operator int32_t() const { return value; }
};
/// Read unsigned: 0..65535.
struct Unsigned {
    int32_t value = 0;
    static Unsigned From(int32_t raw) { return {raw & 0xFFFF}; }
    operator int32_t() const { return value; }
};
/// The variable that INC, DEC, LOAD, STORE, INC_CHK and DEC_CHK name by their first operand:
/// a constant is its number, a variable holds the number (an indirect reference). 0..255.
struct NamedVariable {
    int value = 0;
    static NamedVariable From(int32_t raw) { return {raw & 0xFF}; }
    operator int() const { return value; }
};

/// An instruction decoded once and kept to be run again: what running it needs, in 32 bytes.
/// The first four operands are held here; the double-variable calls keep the rest beside the
/// cache, as the inline text of PRINT and PRINT_RET is kept (see InstructionCache).
struct Predecoded {
    enum Flag : uint8_t { kBranchCond = 1, kHasStore = 2, kHasBranch = 4, kWide = 8 };

    OpHandler Run = nullptr; ///< the opcode's handler, resolved for the story's version; none
                             ///< in an empty cache slot
    int32_t Address = 0;     ///< address of the first byte
    /// The branch target (0 return false, 1 return true). For PRINT and PRINT_RET it is the
    /// slot of the inline text (-1: decoded at each run); for a call with more than four
    /// operands, the slot of operands 5 to 8.
    int32_t Branch = 0;
    std::array<uint16_t, 4> Operand{}; ///< operands 1..4 at indices 0..3, as 16-bit patterns
    uint16_t Length = 0;               ///< bytes of the whole instruction, inline text included
    uint8_t Types = 0;                 ///< the OperandKind of operand i in bits 2(i-1) and 2(i-1)+1
    uint8_t OperandCount = 0;          ///< 0..8
    uint8_t Store = 0;                 ///< result variable, when the opcode stores
    uint8_t Flags = 0;
    uint8_t OpCode = 0;
    uint8_t OpCodeType = 0; ///< an OpClass

    int32_t NextInstr() const { return Address + Length; }
    bool BranchCond() const { return (Flags & kBranchCond) != 0; }
    bool HasStore() const { return (Flags & kHasStore) != 0; }
    bool HasBranch() const { return (Flags & kHasBranch) != 0; }
    /// The kind of operand i, 1..4 (a missing operand is a large constant 0).
    int Kind(int i) const { return (Types >> (2 * (i - 1))) & 3; }
};
static_assert(sizeof(Predecoded) == 32, "a predecoded instruction fills half a cache line");

/// Operands 5 to 8 of a double-variable call.
struct WideOperands {
    std::array<uint16_t, 4> Operand{};
    uint8_t Types = 0;
};

} // namespace lantern
