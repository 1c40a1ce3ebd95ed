#include "machine/Decoder.h"

#include "machine/OpcodeTable.h"

namespace lantern {

namespace {

// Reads one types byte: up to four operand types, ending at the first omitted pair (bits 11).
void TypeScan(int types, zInstruction& out) {
    for (int shift = 6; shift >= 0; shift -= 2) {
        const int pair = (types >> shift) & 3;
        if (pair == 3 || out.OperandCount >= kMaxOperands)
            return;
        ++out.OperandCount;
        out.OperandType[out.OperandCount] = pair == 0   ? kLargeConstant
                                            : pair == 1 ? kSmallConstant
                                                        : kVariable;
    }
}

// Fetches the operands whose types TypeScan found; p is the last byte consumed.
void FetchOperands(const StoryImage& story, int32_t& p, bool largeUnsigned, zInstruction& out) {
    for (int i = 1; i <= out.OperandCount; ++i) {
        ++p;
        if (out.OperandType[i] == kLargeConstant) {
            out.Operand[i] = story.ReadWord(p, largeUnsigned);
            ++p;
        } else {
            out.Operand[i] = story.ReadByte(p);
        }
    }
}

} // namespace

bool HasStore(int opCodeType, int opCode, int version) {
    return LookupOpcode(opCodeType, opCode, version).stores;
}

bool HasBranch(int opCodeType, int opCode, int version) {
    return LookupOpcode(opCodeType, opCode, version).branches;
}

void DecodeInstruction(const StoryImage& story, int32_t address, int version, ZText& text,
                       zInstruction& out) {
    out.Address = address;
    out.OperandCount = 0;
    out.Store = 0;
    out.Branch = 0;
    out.BranchCond = false;
    out.Text.clear();
    out.Operand.fill(0);
    out.OperandType.fill(kLargeConstant);

    int32_t p = address;
    const int b = story.ReadByte(p);
    if ((b & 0x80) == 0) {
        // Long form: two operands, each a small constant or a variable.
        out.OpCodeType = kOp2;
        out.OpCode = static_cast<uint8_t>(b & 0x1F);
        out.OperandCount = 2;
        out.Operand[1] = story.ReadByte(p + 1);
        out.Operand[2] = story.ReadByte(p + 2);
        out.OperandType[1] = (b & 0x40) ? kVariable : kSmallConstant;
        out.OperandType[2] = (b & 0x20) ? kVariable : kSmallConstant;
        p += 2;
    } else if ((b & 0xC0) == 0xC0) {
        // Variable form; a 2OP opcode when bit 5 is clear.
        out.OpCode = static_cast<uint8_t>(b & 0x1F);
        out.OpCodeType = (b & 0x20) ? kOpVar : kOp2;
        ++p;
        TypeScan(story.ReadByte(p), out);
        if (out.OpCodeType == kOpVar && (out.OpCode == 12 || out.OpCode == 26)) {
            // The double-variable calls carry a second types byte.
            ++p;
            TypeScan(story.ReadByte(p), out);
        }
        FetchOperands(story, p, false, out);
    } else if ((b & 0x30) != 0x30) {
        // Short form with one operand.
        out.OpCodeType = kOp1;
        out.OpCode = static_cast<uint8_t>(b & 0x0F);
        out.OperandCount = 1;
        if ((b & 0x30) == 0x00) {
            out.Operand[1] = story.ReadWord(p + 1, true);
            out.OperandType[1] = kLargeConstant;
            p += 2;
        } else {
            out.Operand[1] = story.ReadByte(p + 1);
            out.OperandType[1] = (b & 0x30) == 0x10 ? kSmallConstant : kVariable;
            p += 1;
        }
    } else if (b == 0xBE) {
        // Extended form.
        out.OpCodeType = kOpExt;
        out.OpCode = story.ReadByte(p + 1);
        p += 2;
        TypeScan(story.ReadByte(p), out);
        FetchOperands(story, p, true, out);
    } else {
        out.OpCodeType = kOp0;
        out.OpCode = static_cast<uint8_t>(b & 0x0F);
    }

    const OpcodeEntry& entry = LookupOpcode(out.OpCodeType, out.OpCode, version);
    if (entry.stores) {
        ++p;
        out.Store = story.ReadByte(p);
    }

    if (entry.branches) {
        ++p;
        const int c = story.ReadByte(p);
        out.BranchCond = (c & 0x80) != 0;
        if (c & 0x40) {
            const int offset = c & 0x3F;
            out.Branch = offset <= 1 ? offset : p + offset - 1;
        } else {
            int offset = ((c & 0x3F) << 8) | story.ReadByte(p + 1);
            if (offset & 0x2000)
                offset = (offset & 0x1FFF) - 0x2000;
            out.Branch = (offset == 0 || offset == 1) ? offset : p + offset;
            ++p;
        }
    }

    if (out.OpCodeType == kOp0 && (out.OpCode == 2 || out.OpCode == 3)) {
        out.Text = text.PrintZString(story, p + 1);
        p += text.ZCharCount() / 3 * 2;
    }

    out.NextInstr = p + 1;
}

} // namespace lantern
