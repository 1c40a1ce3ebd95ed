#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace lantern {

/// Operand-count classes, as zInstruction::OpCodeType carries them.
enum OpClass : uint8_t { kOp0 = 0, kOp1 = 1, kOp2 = 2, kOpVar = 3, kOpExt = 4 };

/// Operand types.
enum OperandKind : uint8_t { kLargeConstant = 0, kSmallConstant = 1, kVariable = 2 };

/// Most operands an instruction carries (the double-variable calls).
inline constexpr int kMaxOperands = 8;

/// One decoded instruction. A plain value with room for every operand, so that decoding and
/// executing an instruction that prints nothing never touches the heap.
struct zInstruction {
    int32_t Address = 0;    ///< address of the instruction's first byte
    uint8_t OpCode = 0;     ///< number within its class (the byte after 0xBE for EXT)
    uint8_t OpCodeType = 0; ///< an OpClass
    int32_t NextInstr = 0;  ///< address after the whole instruction
    uint8_t OperandCount = 0;
    uint8_t Store = 0;       ///< result variable, when the opcode stores
    int32_t Branch = 0;      ///< 0 return false, 1 return true, else the target address
    bool BranchCond = false; ///< the condition value on which the branch is taken
    std::string Text;        ///< inline text of PRINT and PRINT_RET, empty otherwise
    /// Operand i and its type, i = 1..OperandCount; index 0 is unused. Slots past the count are
    /// zero (a large constant 0), so a malformed instruction reads missing operands as 0.
    std::array<int32_t, kMaxOperands + 1> Operand{};
    std::array<uint8_t, kMaxOperands + 1> OperandType{};
};

} // namespace lantern
