#include "machine/OpcodeTable.h"

#include "machine/Version6.h"
#include "machine/zMachine.h"

#include <array>
#include <string_view>
#include <utility>

namespace lantern {

/// Builds the opcode table; a friend of zMachine, so that the handlers stay private to it.
///
/// A handler either reads its own operands (it takes only the instruction) or takes their
/// values (Signed, Unsigned or NamedVariable parameters after the instruction, in operand order).
/// For the second kind the table makes one handler for every form of the first three operands,
/// which fetches the values in order, so that operands on the stack pop left to right, and
/// reads each form without asking what it is.
struct OpcodeTable {
    template <class... Values> using Handler = void (zMachine::*)(const Predecoded&, Values...);

    template <auto F, OperandForm A, OperandForm B, OperandForm C, class... Values, size_t... I>
    [[gnu::always_inline]] static void Call(zMachine& machine, const Predecoded& in,
                                            std::index_sequence<I...>) {
        if constexpr (sizeof...(Values) == 0) {
            (machine.*F)(in);
        } else {
            constexpr std::array<OperandForm, sizeof...(Values)> forms{
                (I == 0 ? A : (I == 1 ? B : (I == 2 ? C : kFormAny)))...};
            // Operands on the stack are popped without asking whether the routine has values
            // there: when it has too few, the handler for any form runs instead, which pops
            // each one as it reads it and reports the underflow.
            constexpr int pops = ((forms[I] == kFormStack ? 1 : 0) + ...);
            if constexpr (pops > 0) {
                if (machine.m_stackPointer - machine.m_frame->FramePointer < pops) [[unlikely]]
                    return Run<F, kFormAny, kFormAny, kFormAny, Values...>(machine, in);
            }
            // A braced list is evaluated left to right.
            const std::array<int32_t, sizeof...(Values)> raw{
                machine.Fetch<forms[I]>(in, static_cast<int>(I))...};
            (machine.*F)(in, Values::From(raw[I])...);
        }
    }

    template <auto F, OperandForm A, OperandForm B, OperandForm C, class... Values>
    static void Run(zMachine& machine, const Predecoded& in) {
        Call<F, A, B, C, Values...>(machine, in, std::index_sequence_for<Values...>{});
    }

    /// The handler of F for operands of any form.
    template <auto F, class... Values> static constexpr OpHandler Any(Handler<Values...>) {
        return &Run<F, kFormAny, kFormAny, kFormAny, Values...>;
    }

    /// The form of operand i (0-based) at index k of a table of handlers: one that F does not
    /// read is taken as a constant, so that it makes no difference.
    static constexpr OperandForm FormAt(size_t k, size_t i, size_t values) {
        if (i >= values)
            return kFormConstant;
        for (size_t skip = i; skip < kSpecialisedOperands - 1; ++skip)
            k /= kHandlerForms;
        return static_cast<OperandForm>(k % kHandlerForms);
    }

    /// The handlers of F for each form of its first three operands.
    template <auto F, class... Values>
    static constexpr std::array<OpHandler, kFormTable> Specialise(Handler<Values...>) {
        constexpr size_t n = sizeof...(Values);
        return []<size_t... K>(std::index_sequence<K...>) {
            return std::array<OpHandler, kFormTable>{
                &Run<F, FormAt(K, 0, n), FormAt(K, 1, n), FormAt(K, 2, n), Values...>...};
        }
        (std::make_index_sequence<kFormTable>{});
    }
    template <auto F> static constexpr auto kForms = Specialise<F>(F);

    template <class... Values> static constexpr bool TakesValues(Handler<Values...>) {
        return sizeof...(Values) > 0;
    }

    // Row builders: R(class, number, name, handler, stores, branches[, versions from, to]).
    template <auto F>
    static constexpr OpcodeEntry R(OpClass opClass, int number, const char* name,
                                   bool stores = false, bool branches = false, int from = 0,
                                   int to = kVersionRuleLimit) {
        OpcodeEntry entry{static_cast<uint8_t>(opClass),
                          static_cast<uint8_t>(number),
                          static_cast<uint8_t>(from),
                          static_cast<uint8_t>(to),
                          name,
                          stores,
                          branches,
                          Any<F>(F)};
        if constexpr (TakesValues(F))
            entry.forms = kForms<F>.data();
        return entry;
    }

    /// A row whose handler is a plain function that reads its own operands.
    static constexpr OpcodeEntry F(OpClass opClass, int number, const char* name, OpHandler handler,
                                   bool stores = false, bool branches = false, int from = 0,
                                   int to = kVersionRuleLimit) {
        return OpcodeEntry{static_cast<uint8_t>(opClass),
                           static_cast<uint8_t>(number),
                           static_cast<uint8_t>(from),
                           static_cast<uint8_t>(to),
                           name,
                           stores,
                           branches,
                           handler};
    }

    // The one table of opcodes: which handler runs each, what the trace calls it, and the store
    // and branch rules the decoder follows. Classes with several rows over versions list them
    // in order.
    static constexpr auto Rows() {
        using M = zMachine;
        using V = Version6Ops;
        constexpr bool S = true;  // stores
        constexpr bool B = true;  // branches
        constexpr bool _ = false; // neither
        return std::to_array<OpcodeEntry>({
            // 0OP
            R<&M::OpRtrue>(kOp0, 0, "RTRUE"),
            R<&M::OpRfalse>(kOp0, 1, "RFALSE"),
            R<&M::OpPrintLit>(kOp0, 2, "PRINTLIT"),
            R<&M::OpPrintRet>(kOp0, 3, "PRINT_RET"),
            R<&M::OpNop>(kOp0, 4, "NOP"),
            // SAVE and RESTORE branch up to version 3, store in version 4 and are EXT opcodes
            // after.
            R<&M::OpSave>(kOp0, 5, "SAVE", _, B, 0, 3),
            R<&M::OpSave>(kOp0, 5, "SAVE", S, _, 4, 4),
            R<&M::OpSave>(kOp0, 5, "SAVE", _, _, 5),
            R<&M::OpRestore>(kOp0, 6, "RESTORE", _, B, 0, 3),
            R<&M::OpRestore>(kOp0, 6, "RESTORE", S, _, 4, 4),
            R<&M::OpRestore>(kOp0, 6, "RESTORE", _, _, 5),
            R<&M::OpRestart>(kOp0, 7, "RESTART"),
            R<&M::OpRetPopped>(kOp0, 8, "RET_POPPED"),
            R<&M::OpPop>(kOp0, 9, "POP", _, _, 0, 4),
            R<&M::OpPop>(kOp0, 9, "POP", S, _, 5), // CATCH stores from version 5
            R<&M::OpQuit>(kOp0, 10, "QUIT"),
            R<&M::OpNewLine>(kOp0, 11, "NEW_LINE"),
            R<&M::OpShowStatus>(kOp0, 12, "SHOW_STATUS"),
            R<&M::OpVerify>(kOp0, 13, "VERIFY", _, B, 0, 8),
            R<&M::OpVerify>(kOp0, 13, "VERIFY", _, _, 9),
            R<&M::OpUnknown>(kOp0, 14, "UNKNOWN"), // the EXT prefix, never a 0OP
            R<&M::OpPiracy>(kOp0, 15, "PIRACY", _, B, 0, 8),
            R<&M::OpPiracy>(kOp0, 15, "PIRACY", _, _, 9),
            // 1OP
            R<&M::OpJz>(kOp1, 0, "JZ", _, B, 0, 8),
            R<&M::OpJz>(kOp1, 0, "JZ", _, _, 9),
            R<&M::OpGetSibling>(kOp1, 1, "GET_SIBLING", S, B, 0, 8),
            R<&M::OpGetSibling>(kOp1, 1, "GET_SIBLING", S, _, 9),
            R<&M::OpGetChild>(kOp1, 2, "GET_CHILD", S, B, 0, 8),
            R<&M::OpGetChild>(kOp1, 2, "GET_CHILD", S, _, 9),
            R<&M::OpGetParent>(kOp1, 3, "GET_PARENT", S),
            R<&M::OpGetPropLen>(kOp1, 4, "GET_PROP_LEN", S),
            R<&M::OpInc>(kOp1, 5, "INC"),
            R<&M::OpDec>(kOp1, 6, "DEC"),
            R<&M::OpPrintAddr>(kOp1, 7, "PRINT_ADDR"),
            R<&M::OpCallStore>(kOp1, 8, "CALL_1S", S),
            R<&M::OpRemoveObj>(kOp1, 9, "REMOVE_OBJ"),
            R<&M::OpPrintObj>(kOp1, 10, "PRINT_OBJ"),
            R<&M::OpRet>(kOp1, 11, "RET"),
            R<&M::OpJump>(kOp1, 12, "JUMP"),
            R<&M::OpPrintPaddr>(kOp1, 13, "PRINT_PADDR"),
            R<&M::OpLoad>(kOp1, 14, "LOAD", S),
            R<&M::OpNot>(kOp1, 15, "NOT", S, _, 0, 4),
            R<&M::OpCallDiscard>(kOp1, 15, "CALL_1N", _, _, 5),
            // 2OP
            R<&M::OpUnknown>(kOp2, 0, "UNKNOWN"),
            R<&M::OpJe>(kOp2, 1, "JE", _, B, 0, 8),
            R<&M::OpJe>(kOp2, 1, "JE", _, _, 9),
            R<&M::OpJl>(kOp2, 2, "JL", _, B, 0, 8),
            R<&M::OpJl>(kOp2, 2, "JL", _, _, 9),
            R<&M::OpJg>(kOp2, 3, "JG", _, B, 0, 8),
            R<&M::OpJg>(kOp2, 3, "JG", _, _, 9),
            R<&M::OpDecChk>(kOp2, 4, "DEC_CHK", _, B, 0, 8),
            R<&M::OpDecChk>(kOp2, 4, "DEC_CHK", _, _, 9),
            R<&M::OpIncChk>(kOp2, 5, "INC_CHK", _, B, 0, 8),
            R<&M::OpIncChk>(kOp2, 5, "INC_CHK", _, _, 9),
            R<&M::OpJin>(kOp2, 6, "JIN", _, B, 0, 8),
            R<&M::OpJin>(kOp2, 6, "JIN", _, _, 9),
            R<&M::OpTest>(kOp2, 7, "TEST", _, B, 0, 8),
            R<&M::OpTest>(kOp2, 7, "TEST", _, _, 9),
            R<&M::OpOr>(kOp2, 8, "OR", S),
            R<&M::OpAnd>(kOp2, 9, "AND", S),
            R<&M::OpTestAttr>(kOp2, 10, "TEST_ATTR", _, B, 0, 8),
            R<&M::OpTestAttr>(kOp2, 10, "TEST_ATTR", _, _, 9),
            R<&M::OpSetAttr>(kOp2, 11, "SET_ATTR"),
            R<&M::OpClearAttr>(kOp2, 12, "CLEAR_ATTR"),
            R<&M::OpStore>(kOp2, 13, "STORE"),
            R<&M::OpInsertObj>(kOp2, 14, "INSERT_OBJ"),
            R<&M::OpLoadw>(kOp2, 15, "LOADW", S),
            R<&M::OpLoadb>(kOp2, 16, "LOADB", S),
            R<&M::OpGetProp>(kOp2, 17, "GET_PROP", S),
            R<&M::OpGetPropAddr>(kOp2, 18, "GET_PROP_ADDR", S),
            R<&M::OpGetNextProp>(kOp2, 19, "GET_NEXT_PROP", S),
            R<&M::OpAdd>(kOp2, 20, "ADD", S),
            R<&M::OpSub>(kOp2, 21, "SUB", S),
            R<&M::OpMul>(kOp2, 22, "MUL", S),
            R<&M::OpDiv>(kOp2, 23, "DIV", S),
            R<&M::OpMod>(kOp2, 24, "MOD", S),
            R<&M::OpCallStore>(kOp2, 25, "CALL_2S", S),
            R<&M::OpCallDiscard>(kOp2, 26, "CALL_2N"),
            F(kOp2, 27, "SET_COLOUR", &V::SetColour),
            R<&M::OpThrow>(kOp2, 28, "THROW"),
            R<&M::OpUnknown>(kOp2, 29, "UNKNOWN"),
            R<&M::OpUnknown>(kOp2, 30, "UNKNOWN"),
            R<&M::OpUnknown>(kOp2, 31, "UNKNOWN"),
            // VAR
            R<&M::OpCallStore>(kOpVar, 0, "CALL_VS", S),
            R<&M::OpStorew>(kOpVar, 1, "STOREW"),
            R<&M::OpStoreb>(kOpVar, 2, "STOREB"),
            R<&M::OpPutProp>(kOpVar, 3, "PUT_PROP"),
            R<&M::OpRead>(kOpVar, 4, "READ", _, _, 0, 4),
            R<&M::OpRead>(kOpVar, 4, "READ", S, _, 5),
            R<&M::OpPrintChar>(kOpVar, 5, "PRINT_CHAR"),
            R<&M::OpPrintNum>(kOpVar, 6, "PRINT_NUM"),
            R<&M::OpRandom>(kOpVar, 7, "RANDOM", S),
            R<&M::OpPush>(kOpVar, 8, "PUSH"),
            R<&M::OpPull>(kOpVar, 9, "PULL", _, _, 0, 5),
            F(kOpVar, 9, "PULL", &V::Pull, S, _, 6, 6),
            R<&M::OpPull>(kOpVar, 9, "PULL", _, _, 7),
            F(kOpVar, 10, "SPLIT_WINDOW", &V::SplitWindow),
            F(kOpVar, 11, "SET_WINDOW", &V::SetWindow),
            R<&M::OpCallStore>(kOpVar, 12, "CALL_VS2", S),
            F(kOpVar, 13, "ERASE_WINDOW", &V::EraseWindow),
            F(kOpVar, 14, "ERASE_LINE", &V::EraseLine),
            F(kOpVar, 15, "SET_CURSOR", &V::SetCursor),
            F(kOpVar, 16, "GET_CURSOR", &V::GetCursor),
            F(kOpVar, 17, "SET_TEXT_STYLE", &V::SetTextStyle),
            R<&M::OpBufferMode>(kOpVar, 18, "BUFFER_MODE"),
            F(kOpVar, 19, "OUTPUT_STREAM", &V::OutputStream),
            R<&M::OpInputStream>(kOpVar, 20, "INPUT_STREAM"),
            R<&M::OpSoundEffect>(kOpVar, 21, "SOUND_EFFECT"),
            R<&M::OpReadChar>(kOpVar, 22, "READ_CHAR", S),
            R<&M::OpScanTable>(kOpVar, 23, "SCAN_TABLE", S, B, 0, 8),
            R<&M::OpScanTable>(kOpVar, 23, "SCAN_TABLE", S, _, 9),
            R<&M::OpNot>(kOpVar, 24, "NOT", S),
            R<&M::OpCallDiscard>(kOpVar, 25, "CALL_VN"),
            R<&M::OpCallDiscard>(kOpVar, 26, "CALL_VN2"),
            R<&M::OpTokenise>(kOpVar, 27, "TOKENISE"),
            R<&M::OpEncodeText>(kOpVar, 28, "ENCODE_TEXT"),
            R<&M::OpCopyTable>(kOpVar, 29, "COPY_TABLE"),
            R<&M::OpPrintTable>(kOpVar, 30, "PRINT_TABLE"),
            R<&M::OpCheckArgCount>(kOpVar, 31, "CHECK_ARG_COUNT", _, B, 0, 8),
            R<&M::OpCheckArgCount>(kOpVar, 31, "CHECK_ARG_COUNT", _, _, 9),
            // EXT: three are carried out, and more by the complete machine (their handlers
            // refuse otherwise, as do those of version 6 in other versions); the others are
            // refused, but are still decoded with the store and branch bytes the standard
            // gives them.
            R<&M::OpSaveExt>(kOpExt, 0, "", S),
            R<&M::OpSaveExt>(kOpExt, 1, "", S),
            R<&M::OpLogShift>(kOpExt, 2, "LOG_SHIFT", S),
            R<&M::OpArtShift>(kOpExt, 3, "ART_SHIFT", S),
            F(kOpExt, 4, "", &V::SetFont, S),
            F(kOpExt, 5, "", &V::DrawPicture),
            F(kOpExt, 6, "", &V::PictureData, _, B, 0, 8),
            F(kOpExt, 6, "", &V::PictureData, _, _, 9),
            F(kOpExt, 7, "", &V::ErasePicture),
            F(kOpExt, 8, "", &V::SetMargins),
            R<&M::OpSaveUndo>(kOpExt, 9, "SAVE_UNDO", S),
            R<&M::OpExtRefused>(kOpExt, 10, "", _, _, 0, 4),
            R<&M::OpRestoreUndo>(kOpExt, 10, "", S, _, 5),
            R<&M::OpPrintUnicode>(kOpExt, 11, ""),
            R<&M::OpExtRefused>(kOpExt, 12, "", _, _, 0, 4),
            R<&M::OpCheckUnicode>(kOpExt, 12, "", S, _, 5),
            F(kOpExt, 13, "", &V::SetTrueColour),
            R<&M::OpExtRefused>(kOpExt, 14, ""),
            R<&M::OpExtRefused>(kOpExt, 15, ""),
            F(kOpExt, 16, "", &V::MoveWindow),
            F(kOpExt, 17, "", &V::WindowSize),
            F(kOpExt, 18, "", &V::WindowStyle),
            F(kOpExt, 19, "", &V::GetWindProp, S),
            F(kOpExt, 20, "", &V::ScrollWindow),
            F(kOpExt, 21, "", &V::PopStack),
            F(kOpExt, 22, "", &V::ReadMouse),
            F(kOpExt, 23, "", &V::MouseWindow),
            F(kOpExt, 24, "", &V::PushStack, _, B, 0, 8),
            F(kOpExt, 24, "", &V::PushStack, _, _, 9),
            F(kOpExt, 25, "", &V::PutWindProp),
            F(kOpExt, 26, "", &V::PrintForm),
            F(kOpExt, 27, "", &V::MakeMenu, _, B, 0, 8),
            F(kOpExt, 27, "", &V::MakeMenu, _, _, 9),
            F(kOpExt, 28, "", &V::PictureTable),
            R<&M::OpExtRefused>(kOpExt, 29, "", _, _, 0, 5),
            F(kOpExt, 29, "", &V::BufferScreen, S, _, 6, 6),
            R<&M::OpExtRefused>(kOpExt, 29, "", _, _, 7),
            R<&M::OpExtRefused>(kOpExt, 30, ""),
            R<&M::OpExtRefused>(kOpExt, 31, ""),
            // Every EXT number from 32 up: refused, with neither store nor branch.
            R<&M::OpExtRefused>(kOpExt, 32, ""),
        });
    }
};

namespace {

constexpr auto kRows = OpcodeTable::Rows();

// Slots of the lookup: 16 0OP, 16 1OP, 32 2OP, 32 VAR, then EXT 0..31 and one for every EXT
// number above.
constexpr int kSlots = 16 + 16 + 32 + 32 + 33;

constexpr int Slot(int opClass, int number) {
    switch (opClass) {
    case kOp0: return number & 15;
    case kOp1: return 16 + (number & 15);
    case kOp2: return 32 + (number & 31);
    case kOpVar: return 64 + (number & 31);
    default: return 96 + (number < 32 ? number : 32);
    }
}

using Index = std::array<std::array<uint8_t, kSlots>, kVersionRuleLimit + 1>;

// For every version and slot the one row that applies. A slot with no row, or with two, stops
// the compilation.
consteval Index BuildIndex() {
    static_assert(kRows.size() < 255);
    Index index{};
    for (auto& version : index)
        version.fill(255);
    for (size_t r = 0; r < kRows.size(); ++r) {
        const OpcodeEntry& row = kRows[r];
        if (std::string_view(row.name).size() > 16 || row.minVersion > row.maxVersion ||
            row.maxVersion > kVersionRuleLimit)
            throw "a malformed opcode row";
        const int slot = Slot(row.opClass, row.number);
        const int numbers = row.opClass <= kOp1 ? 16 : (row.opClass == kOpExt ? 33 : 32);
        if (row.opClass > kOpExt || row.number >= numbers)
            throw "an opcode number out of its class";
        for (int v = row.minVersion; v <= row.maxVersion; ++v) {
            auto& cell = index[static_cast<size_t>(v)][static_cast<size_t>(slot)];
            if (cell != 255)
                throw "two opcode rows for one class, number and version";
            cell = static_cast<uint8_t>(r);
        }
    }
    for (const auto& version : index)
        for (uint8_t cell : version)
            if (cell == 255)
                throw "a class, number and version without an opcode row";
    return index;
}

constexpr Index kIndex = BuildIndex();

} // namespace

const OpcodeEntry& LookupOpcode(int opClass, int opCode, int version) {
    const int v = version < 0 ? 0 : (version > kVersionRuleLimit ? kVersionRuleLimit : version);
    return kRows[kIndex[static_cast<size_t>(v)][static_cast<size_t>(Slot(opClass, opCode))]];
}

} // namespace lantern
