#include "machine/InstructionCache.h"

#include "machine/Decoder.h"
#include "machine/OpcodeTable.h"
#include "memory/Prefault.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace lantern {

namespace {

// Kept texts and wide operands are dropped with every record when they grow past these.
constexpr size_t kMaxTexts = 4096;
constexpr size_t kMaxWide = 1024;

bool IsInlinePrint(int opClass, int opCode) {
    return opClass == kOp0 && (opCode == 2 || opCode == 3);
}

} // namespace

void InstructionCache::FreeSlots::operator()(Predecoded* slots) const {
    std::free(slots);
}

void InstructionCache::Reset(int version) {
    m_version = version;
    // Allocated once, first of the machine's large blocks, so that the memory comes fresh and
    // zeroed from the system, with nothing to clear. (A block allocated again later may come
    // from reused memory.)
    if (!m_slots) {
        m_slots.reset(static_cast<Predecoded*>(std::calloc(kSlots, sizeof(Predecoded))));
        if (!m_slots)
            throw std::bad_alloc();
        // Records spread over the whole table from the first instructions on.
        Prefault(m_slots.get(), kSlots * sizeof(Predecoded));
    }
    Flush();
}

void InstructionCache::Flush() {
    for (uint32_t slot : m_filled)
        m_slots[slot] = Predecoded{};
    m_filled.clear();
    // Every other empty slot holds address 0, which does not map to it.
    m_slots[0].Address = -1;
    m_texts.clear();
    m_wide.clear();
    m_story.ClearWatch();
    // The header word that places the globals is watched as well: a story that moves its
    // globals has the machine look for them again.
    m_story.WatchCode(0x0C, 0x0D);
    m_writableGlobals = m_globals;
}

void InstructionCache::Fill(Predecoded& slot, int32_t address) {
    ++m_decodes;
    // Decoding may fault: the slot is written only once it has succeeded.
    DecodeInstruction(m_story, address, m_version, m_text, m_decoded);
    const zInstruction& d = m_decoded;
    if (m_texts.size() >= kMaxTexts || m_wide.size() >= kMaxWide)
        Flush();
    const OpcodeEntry& entry = LookupOpcode(d.OpCodeType, d.OpCode, m_version);

    Predecoded p;
    p.Run = entry.Handler({FormOf(d.OperandType[1], d.Operand[1]),
                           FormOf(d.OperandType[2], d.Operand[2]),
                           FormOf(d.OperandType[3], d.Operand[3])});
    p.Address = address;
    p.Length = static_cast<uint16_t>(d.NextInstr - address);
    p.OpCode = d.OpCode;
    p.OpCodeType = d.OpCodeType;
    p.OperandCount = d.OperandCount;
    p.Store = d.Store;
    p.Branch = d.Branch;
    p.Flags = static_cast<uint8_t>((d.BranchCond ? Predecoded::kBranchCond : 0) |
                                   (entry.stores ? Predecoded::kHasStore : 0) |
                                   (entry.branches ? Predecoded::kHasBranch : 0));
    for (int i = 1; i <= 4 && i <= d.OperandCount; ++i) {
        p.Operand[static_cast<size_t>(i - 1)] = static_cast<uint16_t>(d.Operand[i]);
        p.Types = static_cast<uint8_t>(p.Types | (d.OperandType[i] << (2 * (i - 1))));
    }
    if (d.OperandCount > 4) {
        // Only the double-variable calls come here, and they never branch.
        WideOperands wide;
        for (int i = 5; i <= d.OperandCount; ++i) {
            wide.Operand[static_cast<size_t>(i - 5)] = static_cast<uint16_t>(d.Operand[i]);
            wide.Types = static_cast<uint8_t>(wide.Types | (d.OperandType[i] << (2 * (i - 5))));
        }
        p.Flags |= Predecoded::kWide;
        p.Branch = static_cast<int32_t>(m_wide.size());
        m_wide.push_back(wide);
    }
    if (IsInlinePrint(d.OpCodeType, d.OpCode)) {
        if (UsesAbbreviation(address + 1)) {
            p.Branch = -1;
        } else {
            p.Branch = static_cast<int32_t>(m_texts.size());
            m_texts.push_back(d.Text);
        }
    }

    if (slot.Run == nullptr)
        m_filled.push_back(static_cast<uint32_t>(&slot - m_slots.get()));
    slot = p;
    if (address <= m_guardLast && d.NextInstr - 1 >= m_guardFirst)
        m_writableGlobals = nullptr;
    if (m_enabled)
        m_story.WatchCode(address, d.NextInstr - 1);
    else
        m_story.MarkCodeWritten(); // kept for this run only
}

OperandForm InstructionCache::FormOf(int kind, int32_t value) const {
    if (kind != kVariable)
        return kFormConstant;
    if (value == 0)
        return kFormStack;
    if (value < 16)
        return kFormLocal;
    return m_globals ? kFormGlobal : kFormAny;
}

bool InstructionCache::UsesAbbreviation(int32_t address) const {
    // Z-characters 1 to 3 (only 1 in version 2, none in version 1) call an abbreviation, or
    // are the second half of an escape: either way the text is decoded at each run.
    if (m_version <= 1)
        return false;
    const int last = m_version == 2 ? 1 : 3;
    for (int32_t a = address; m_story.Contains(a, 2); a += 2) {
        const int word = m_story.ReadWord(a, true);
        for (int shift = 10; shift >= 0; shift -= 5) {
            const int z = (word >> shift) & 0x1F;
            if (z >= 1 && z <= last)
                return true;
        }
        if (word & 0x8000)
            break;
    }
    return false;
}

const std::string& InstructionCache::InlineText(const Predecoded& in) {
    if (in.Branch >= 0 && static_cast<size_t>(in.Branch) < m_texts.size())
        return m_texts[static_cast<size_t>(in.Branch)];
    m_text.DecodeZString(m_story, in.Address + 1, m_liveText);
    return m_liveText;
}

int InstructionCache::WideKind(const Predecoded& in, int i) const {
    if (!(in.Flags & Predecoded::kWide) || i > in.OperandCount)
        return kLargeConstant;
    return (m_wide[static_cast<size_t>(in.Branch)].Types >> (2 * (i - 5))) & 3;
}

int32_t InstructionCache::WideValue(const Predecoded& in, int i) const {
    if (!(in.Flags & Predecoded::kWide) || i > in.OperandCount)
        return 0;
    return m_wide[static_cast<size_t>(in.Branch)].Operand[static_cast<size_t>(i - 5)];
}

void InstructionCache::Expand(const Predecoded& in, zInstruction& out) {
    out.Address = in.Address;
    out.OpCode = in.OpCode;
    out.OpCodeType = in.OpCodeType;
    out.NextInstr = in.NextInstr();
    out.OperandCount = in.OperandCount;
    out.Store = in.Store;
    out.BranchCond = in.BranchCond();
    out.Branch = in.HasBranch() ? in.Branch : 0;
    out.Operand.fill(0);
    out.OperandType.fill(kLargeConstant);
    for (int i = 1; i <= in.OperandCount && i <= kMaxOperands; ++i) {
        out.OperandType[static_cast<size_t>(i)] =
            static_cast<uint8_t>(i <= 4 ? in.Kind(i) : WideKind(in, i));
        out.Operand[static_cast<size_t>(i)] =
            i <= 4 ? in.Operand[static_cast<size_t>(i - 1)] : WideValue(in, i);
    }
    if (IsInlinePrint(in.OpCodeType, in.OpCode))
        out.Text = InlineText(in);
    else
        out.Text.clear();
}

} // namespace lantern
