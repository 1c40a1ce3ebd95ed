#include "machine/OpcodeTable.h"

#include <array>
#include <string_view>

namespace lantern {

namespace {

using M = zMachine;

// The opcode table: the one place that says which handler runs an opcode and what the trace
// calls it. Indexed by opcode number within each class.

constexpr std::array<OpcodeEntry, 16> kZeroOp{{
    {"RTRUE", &M::OpRtrue},            // 0
    {"RFALSE", &M::OpRfalse},          // 1
    {"PRINTLIT", &M::OpPrintLit},      // 2
    {"PRINT_RET", &M::OpPrintRet},     // 3
    {"NOP", &M::OpNop},                // 4
    {"SAVE", &M::OpSave},              // 5
    {"RESTORE", &M::OpRestore},        // 6
    {"RESTART", &M::OpRestart},        // 7
    {"RET_POPPED", &M::OpRetPopped},   // 8
    {"POP", &M::OpPop},                // 9
    {"QUIT", &M::OpQuit},              // 10
    {"NEW_LINE", &M::OpNewLine},       // 11
    {"SHOW_STATUS", &M::OpShowStatus}, // 12
    {"VERIFY", &M::OpVerify},          // 13
    {"UNKNOWN", &M::OpUnknown},        // 14: the EXT prefix, never a 0OP
    {"PIRACY", &M::OpPiracy},          // 15
}};

constexpr std::array<OpcodeEntry, 16> kOneOp{{
    {"JZ", &M::OpJz},                   // 0
    {"GET_SIBLING", &M::OpGetSibling},  // 1
    {"GET_CHILD", &M::OpGetChild},      // 2
    {"GET_PARENT", &M::OpGetParent},    // 3
    {"GET_PROP_LEN", &M::OpGetPropLen}, // 4
    {"INC", &M::OpInc},                 // 5
    {"DEC", &M::OpDec},                 // 6
    {"PRINT_ADDR", &M::OpPrintAddr},    // 7
    {"CALL_1S", &M::OpCallStore},       // 8
    {"REMOVE_OBJ", &M::OpRemoveObj},    // 9
    {"PRINT_OBJ", &M::OpPrintObj},      // 10
    {"RET", &M::OpRet},                 // 11
    {"JUMP", &M::OpJump},               // 12
    {"PRINT_PADDR", &M::OpPrintPaddr},  // 13
    {"LOAD", &M::OpLoad},               // 14
    {"NOT", &M::OpNot},                 // 15: CALL_1N from version 5, below
}};
constexpr OpcodeEntry kCall1n{"CALL_1N", &M::OpCallDiscard};

constexpr std::array<OpcodeEntry, 32> kTwoOp{{
    {"UNKNOWN", &M::OpUnknown},           // 0
    {"JE", &M::OpJe},                     // 1
    {"JL", &M::OpJl},                     // 2
    {"JG", &M::OpJg},                     // 3
    {"DEC_CHK", &M::OpDecChk},            // 4
    {"INC_CHK", &M::OpIncChk},            // 5
    {"JIN", &M::OpJin},                   // 6
    {"TEST", &M::OpTest},                 // 7
    {"OR", &M::OpOr},                     // 8
    {"AND", &M::OpAnd},                   // 9
    {"TEST_ATTR", &M::OpTestAttr},        // 10
    {"SET_ATTR", &M::OpSetAttr},          // 11
    {"CLEAR_ATTR", &M::OpClearAttr},      // 12
    {"STORE", &M::OpStore},               // 13
    {"INSERT_OBJ", &M::OpInsertObj},      // 14
    {"LOADW", &M::OpLoadw},               // 15
    {"LOADB", &M::OpLoadb},               // 16
    {"GET_PROP", &M::OpGetProp},          // 17
    {"GET_PROP_ADDR", &M::OpGetPropAddr}, // 18
    {"GET_NEXT_PROP", &M::OpGetNextProp}, // 19
    {"ADD", &M::OpAdd},                   // 20
    {"SUB", &M::OpSub},                   // 21
    {"MUL", &M::OpMul},                   // 22
    {"DIV", &M::OpDiv},                   // 23
    {"MOD", &M::OpMod},                   // 24
    {"CALL_2S", &M::OpCallStore},         // 25
    {"CALL_2N", &M::OpCallDiscard},       // 26
    {"SET_COLOUR", &M::OpSetColour},      // 27
    {"THROW", &M::OpThrow},               // 28
    {"UNKNOWN", &M::OpUnknown},           // 29
    {"UNKNOWN", &M::OpUnknown},           // 30
    {"UNKNOWN", &M::OpUnknown},           // 31
}};

constexpr std::array<OpcodeEntry, 32> kVarOp{{
    {"CALL_VS", &M::OpCallStore},             // 0
    {"STOREW", &M::OpStorew},                 // 1
    {"STOREB", &M::OpStoreb},                 // 2
    {"PUT_PROP", &M::OpPutProp},              // 3
    {"READ", &M::OpRead},                     // 4
    {"PRINT_CHAR", &M::OpPrintChar},          // 5
    {"PRINT_NUM", &M::OpPrintNum},            // 6
    {"RANDOM", &M::OpRandom},                 // 7
    {"PUSH", &M::OpPush},                     // 8
    {"PULL", &M::OpPull},                     // 9
    {"SPLIT_WINDOW", &M::OpSplitWindow},      // 10
    {"SET_WINDOW", &M::OpSetWindow},          // 11
    {"CALL_VS2", &M::OpCallStore},            // 12
    {"ERASE_WINDOW", &M::OpEraseWindow},      // 13
    {"ERASE_LINE", &M::OpEraseLine},          // 14
    {"SET_CURSOR", &M::OpSetCursor},          // 15
    {"GET_CURSOR", &M::OpGetCursor},          // 16
    {"SET_TEXT_STYLE", &M::OpSetTextStyle},   // 17
    {"BUFFER_MODE", &M::OpBufferMode},        // 18
    {"OUTPUT_STREAM", &M::OpOutputStream},    // 19
    {"INPUT_STREAM", &M::OpInputStream},      // 20
    {"SOUND_EFFECT", &M::OpSoundEffect},      // 21
    {"READ_CHAR", &M::OpReadChar},            // 22
    {"SCAN_TABLE", &M::OpScanTable},          // 23
    {"NOT", &M::OpNot},                       // 24
    {"CALL_VN", &M::OpCallDiscard},           // 25
    {"CALL_VN2", &M::OpCallDiscard},          // 26
    {"TOKENISE", &M::OpTokenise},             // 27
    {"ENCODE_TEXT", &M::OpEncodeText},        // 28
    {"COPY_TABLE", &M::OpCopyTable},          // 29
    {"PRINT_TABLE", &M::OpPrintTable},        // 30
    {"CHECK_ARG_COUNT", &M::OpCheckArgCount}, // 31
}};

constexpr OpcodeEntry kLogShift{"LOG_SHIFT", &M::OpLogShift}; // EXT 2
constexpr OpcodeEntry kArtShift{"ART_SHIFT", &M::OpArtShift}; // EXT 3
constexpr OpcodeEntry kSaveUndo{"SAVE_UNDO", &M::OpSaveUndo}; // EXT 9
constexpr OpcodeEntry kExtRefused{"", &M::OpExtRefused};      // every other EXT number

// Trace names fit the 16-character name field.
consteval bool NamesFit() {
    for (const auto* table : {kZeroOp.data(), kOneOp.data()})
        for (int i = 0; i < 16; ++i)
            if (std::string_view(table[i].name).size() > 16)
                return false;
    for (const auto* table : {kTwoOp.data(), kVarOp.data()})
        for (int i = 0; i < 32; ++i)
            if (std::string_view(table[i].name).size() > 16)
                return false;
    return true;
}
static_assert(NamesFit());

} // namespace

const OpcodeEntry& LookupOpcode(int opCodeType, int opCode, int version) {
    switch (opCodeType) {
    case kOp0: return kZeroOp[static_cast<size_t>(opCode & 15)];
    case kOp1:
        if (opCode == 15 && version >= 5)
            return kCall1n;
        return kOneOp[static_cast<size_t>(opCode & 15)];
    case kOp2: return kTwoOp[static_cast<size_t>(opCode & 31)];
    case kOpVar: return kVarOp[static_cast<size_t>(opCode & 31)];
    default:
        switch (opCode) {
        case 2: return kLogShift;
        case 3: return kArtShift;
        case 9: return kSaveUndo;
        default: return kExtRefused;
        }
    }
}

} // namespace lantern
