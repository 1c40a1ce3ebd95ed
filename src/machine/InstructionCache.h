#pragma once

#include "machine/Predecoded.h"
#include "machine/zInstruction.h"
#include "memory/StoryImage.h"
#include "text/ZText.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lantern {

/// The instructions of the running story, each decoded once and run again from its record.
///
/// A direct-mapped table of records indexed by address. The bytes of every record held are
/// watched in the story image, so that a write into them (a story that writes its own code)
/// drops every record before the next instruction is fetched; loading or restarting the story
/// drops them too. Inline text is decoded once, unless it uses an abbreviation: the
/// abbreviations live in memory the story may change, so that text is decoded at each run.
class InstructionCache {
  public:
    InstructionCache(StoryImage& story, ZText& text) : m_story(story), m_text(text) { Reset(0); }

    /// Empties the cache for the story now in the image.
    void Reset(int version);
    /// Whether Fetch decodes at every call and keeps nothing (for comparing runs).
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    /// Drops every record if the story wrote into cached code (or the header word that places
    /// the globals), which the story image's CodeWritten() tells; true when it did. Called
    /// between instructions only, so that no record is dropped while it runs.
    bool Refresh() {
        if (m_story.CodeWritten()) [[unlikely]] {
            Flush();
            return true;
        }
        return false;
    }
    /// The globals table, which the machine reads and writes directly, past the watch, when it
    /// lies whole in the image (table is then its first byte, else null). Records decoded from
    /// now until the next flush may read globals directly (see FormOf).
    void SetGlobals(uint8_t* table, int64_t first, int64_t last) {
        m_guardFirst = first;
        m_guardLast = last;
        m_globals = table;
        m_writableGlobals = table;
    }
    /// The globals table while it may be written directly: while no record kept lies in it (a
    /// record decoded there makes this null until the next flush, so that writes go through the
    /// watch).
    uint8_t* WritableGlobals() const { return m_writableGlobals; }
    /// The record of the instruction at address, decoded now when it is not held. A story
    /// fault while decoding propagates (StoryError).
    const Predecoded& Fetch(int32_t address) {
        // An empty slot holds no address that maps to it (see Flush), so one test finds both
        // an empty slot and one that holds another instruction.
        Predecoded& slot = m_slots[static_cast<size_t>(address) & kMask];
        if (slot.Address != address) [[unlikely]]
            Fill(slot, address);
        return slot;
    }

    /// The inline text of PRINT or PRINT_RET.
    const std::string& InlineText(const Predecoded& in);
    /// Operand i (5..8) of a double-variable call: its kind and value.
    int WideKind(const Predecoded& in, int i) const;
    int32_t WideValue(const Predecoded& in, int i) const;
    /// The full record of an instruction, as the trace shows it.
    void Expand(const Predecoded& in, zInstruction& out);

    /// Addresses whose instructions were decoded since the story started (for tests and
    /// benchmarks): how often the cache missed.
    uint64_t Decodes() const { return m_decodes; }

  private:
    void Fill(Predecoded& slot, int32_t address);
    void Flush();
    bool UsesAbbreviation(int32_t address) const;
    /// The form of an operand of this kind and value.
    OperandForm FormOf(int kind, int32_t value) const;

    StoryImage& m_story;
    ZText& m_text;
    int m_version = 0;
    bool m_enabled = true;
    uint8_t* m_globals = nullptr;
    uint8_t* m_writableGlobals = nullptr;
    int64_t m_guardFirst = -1;
    int64_t m_guardLast = -1;

    // Room for the records of every instruction of a small story, and for the busy part of a
    // large one.
    static constexpr size_t kSlots = 4096;
    static constexpr size_t kMask = kSlots - 1;
    // The slots are zeroed memory: an empty slot has no handler, and address 0, which slot 0
    // alone could hold, is marked there as -1.
    struct FreeSlots {
        void operator()(Predecoded* slots) const;
    };
    std::unique_ptr<Predecoded[], FreeSlots> m_slots;
    std::vector<uint32_t> m_filled; ///< slots holding a record
    std::vector<std::string> m_texts;
    std::vector<WideOperands> m_wide;
    std::string m_liveText; ///< inline text decoded at this run
    zInstruction m_decoded; ///< reused by Fill, so that decoding allocates nothing
    uint64_t m_decodes = 0;
};

} // namespace lantern
