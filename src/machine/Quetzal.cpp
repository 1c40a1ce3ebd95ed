// Saved games in the Quetzal format (IFF FORM of type IFZS), as other interpreters read them.
#include "files/Iff.h"
#include "machine/MachineState.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace lantern {

namespace {

void PutWord(std::vector<uint8_t>& out, uint32_t value) {
    PutBigEndian(out, value, 2);
}

void PutAddress(std::vector<uint8_t>& out, uint32_t value) {
    PutBigEndian(out, value, 3);
}

// The header bytes a story cannot change (first byte and count): the version, release and
// serial, the memory marks, the table addresses, the initial PC, the file length and checksum,
// and the offsets of versions 6 and 7. In a saved game they are the story's own, or the file is
// damaged. (The interpreter's own bytes are written again after a restore.)
struct HeaderRange {
    int first;
    int count;
};
constexpr HeaderRange kFixedHeader[] = {{0x00, 1}, {0x02, 14}, {0x12, 12},
                                        {0x28, 4}, {0x2E, 2},  {0x34, 4}};

bool FixedHeaderMatches(const std::vector<uint8_t>& memory, const StoryImage& original) {
    for (const HeaderRange& range : kFixedHeader)
        for (int a = range.first; a < range.first + range.count; ++a)
            if (static_cast<size_t>(a) < memory.size() &&
                memory[static_cast<size_t>(a)] != original.ReadByte(a))
                return false;
    return true;
}

} // namespace

StoryIdentity StoryIdentity::Of(const StoryImage& story) {
    StoryIdentity identity;
    identity.Release = story.ReadWord(0x02, true);
    for (int i = 0; i < 6; ++i)
        identity.Serial.push_back(static_cast<char>(story.ReadByte(0x12 + i)));
    identity.Checksum = story.ReadWord(0x1C, true);
    return identity;
}

std::vector<uint8_t> WriteQuetzal(const MachineState& state, const StoryImage& original,
                                  std::span<const uint8_t> interpreterData) {
    const StoryIdentity identity = StoryIdentity::Of(original);
    std::vector<uint8_t> header;
    PutWord(header, static_cast<uint32_t>(identity.Release));
    header.insert(header.end(), identity.Serial.begin(), identity.Serial.end());
    PutWord(header, static_cast<uint32_t>(identity.Checksum));
    PutAddress(header, static_cast<uint32_t>(state.PC));

    // Memory XOR the original, a zero run written as 0 and its length minus one. Most of memory
    // is as it was loaded: equal stretches are passed over eight bytes at a time.
    std::vector<uint8_t> memory;
    const uint8_t* now = state.Memory.data();
    const uint8_t* was = original.Data();
    const size_t size = std::min(state.Memory.size(), static_cast<size_t>(original.Size()) + 1);
    size_t equalFrom = 0; // where the run of equal bytes before the next change starts
    for (size_t word = 0; word < size; word += 8) {
        const size_t end = std::min(size, word + 8);
        if (end == word + 8) {
            uint64_t a = 0;
            uint64_t b = 0;
            std::memcpy(&a, now + word, 8);
            std::memcpy(&b, was + word, 8);
            if (a == b)
                continue;
        }
        for (size_t i = word; i < end; ++i) {
            const auto delta = static_cast<uint8_t>(now[i] ^ was[i]);
            if (delta == 0)
                continue;
            for (size_t zeros = i - equalFrom; zeros > 0; zeros -= std::min<size_t>(zeros, 256)) {
                memory.push_back(0);
                memory.push_back(static_cast<uint8_t>(std::min<size_t>(zeros, 256) - 1));
            }
            memory.push_back(delta);
            equalFrom = i + 1;
        }
    }

    std::vector<uint8_t> stacks;
    // Version 6 starts in its main routine: there is no frame outside a routine to save.
    const size_t firstSaved = original.Version() == 6 && state.Frames.size() > 1 ? 1 : 0;
    for (size_t f = firstSaved; f < state.Frames.size(); ++f) {
        const zRoutine& frame = state.Frames[f];
        const int32_t first = frame.FramePointer;
        const int32_t end = f + 1 < state.Frames.size() ? state.Frames[f + 1].FramePointer
                                                        : static_cast<int32_t>(state.Stack.size());
        if (f == 0 && firstSaved == 0) {
            PutAddress(stacks, 0);
            PutWord(stacks, 0);
            stacks.push_back(0);
        } else {
            PutAddress(stacks, static_cast<uint32_t>(frame.ReturnAddress));
            const bool discards = frame.StoreVar < 0;
            stacks.push_back(static_cast<uint8_t>(frame.LocalCount | (discards ? 0x10 : 0)));
            stacks.push_back(static_cast<uint8_t>(discards ? 0 : frame.StoreVar));
            // Arguments beyond the locals were dropped by the call: only those kept are flagged.
            const int kept = std::min({frame.ArgCount, frame.LocalCount, 7});
            stacks.push_back(static_cast<uint8_t>((1u << kept) - 1));
        }
        PutWord(stacks, static_cast<uint32_t>(end - first));
        for (int i = 1; i <= frame.LocalCount; ++i)
            PutWord(stacks, static_cast<uint32_t>(frame.Locals[static_cast<size_t>(i)]));
        for (int32_t s = first; s < end; ++s)
            PutWord(stacks, static_cast<uint32_t>(state.Stack[static_cast<size_t>(s)]));
    }

    std::vector<uint8_t> body{'I', 'F', 'Z', 'S'};
    PutChunk(body, "IFhd", header);
    PutChunk(body, "CMem", memory);
    PutChunk(body, "Stks", stacks);
    if (!interpreterData.empty())
        PutChunk(body, "IntD", interpreterData);
    std::vector<uint8_t> file;
    PutChunk(file, "FORM", body);
    return file;
}

std::optional<MachineState> ReadQuetzal(const std::vector<uint8_t>& file,
                                        const StoryImage& original, size_t dynamicSize,
                                        int maxFrames, int maxStack, std::string& error) {
    auto fail = [&error](const std::string& why) -> std::optional<MachineState> {
        error = why;
        return std::nullopt;
    };
    const IffForm form = IffForm::Parse(file);
    if (form.GetStatus() == IffForm::Status::NotIff || form.Type() != "IFZS")
        return fail("This is not a saved game.");
    if (!form.Ok())
        return fail("The saved game is damaged (a chunk runs past its end).");

    MachineState state;
    bool haveHeader = false, haveMemory = false, haveStacks = false;
    // Version 6's first frame is its main routine's, which returns nowhere.
    const bool mainFirst = original.Version() == 6;
    for (const IffChunk& found : form.Chunks()) {
        const std::string_view id = found.Id;
        const size_t size = found.Data.size();
        BigEndianReader chunk{found.Data};
        if (id == "IFhd") {
            if (size < 13)
                return fail("The saved game is damaged (its header is short).");
            const StoryIdentity story = StoryIdentity::Of(original);
            StoryIdentity saved;
            saved.Release = static_cast<int32_t>(chunk.Take(2));
            for (int i = 0; i < 6; ++i)
                saved.Serial.push_back(static_cast<char>(chunk.Take(1)));
            saved.Checksum = static_cast<int32_t>(chunk.Take(2));
            if (saved.Release != story.Release || saved.Serial != story.Serial ||
                saved.Checksum != story.Checksum)
                return fail("This saved game belongs to another story.");
            state.PC = static_cast<int32_t>(chunk.Take(3));
            haveHeader = true;
        } else if (id == "CMem" || id == "UMem") {
            if (!original.Contains(0, static_cast<int64_t>(dynamicSize)))
                return fail("The saved game's memory does not fit this story.");
            state.Memory.assign(original.Data(), original.Data() + dynamicSize);
            if (id == "UMem") {
                if (size != dynamicSize)
                    return fail("The saved game's memory does not fit this story.");
                std::copy_n(chunk.Data.begin(), size, state.Memory.begin());
            } else {
                const std::span<const uint8_t> data = chunk.Data;
                size_t at = 0;
                for (size_t i = 0; i < data.size(); ++i) {
                    const uint8_t byte = data[i];
                    size_t run = 1;
                    if (byte == 0) {
                        if (++i == data.size())
                            return fail("The saved game's memory does not fit this story.");
                        run = size_t{data[i]} + 1;
                    }
                    if (at + run > dynamicSize)
                        return fail("The saved game's memory does not fit this story.");
                    state.Memory[at] ^= byte;
                    at += run;
                }
            }
            haveMemory = true;
        } else if (id == "Stks") {
            if (mainFirst && state.Frames.empty())
                state.Frames.push_back(zRoutine{}); // the frame outside any routine
            while (!chunk.AtEnd()) {
                zRoutine frame;
                frame.FramePointer = static_cast<int32_t>(state.Stack.size());
                frame.ReturnAddress = static_cast<int32_t>(chunk.Take(3));
                const uint32_t flags = chunk.Take(1);
                const uint32_t result = chunk.Take(1);
                const uint32_t arguments = chunk.Take(1);
                const uint32_t count = chunk.Take(2);
                frame.LocalCount = static_cast<int32_t>(flags & 0x0F);
                frame.StoreVar = (flags & 0x10) != 0 ? -1 : static_cast<int32_t>(result);
                while (frame.ArgCount < 7 && (arguments >> frame.ArgCount) & 1)
                    ++frame.ArgCount;
                for (int i = 1; i <= frame.LocalCount; ++i)
                    frame.Locals[static_cast<size_t>(i)] = static_cast<int32_t>(chunk.Take(2));
                for (uint32_t i = 0; i < count && !chunk.Failed; ++i)
                    state.Stack.push_back(static_cast<int32_t>(chunk.Take(2)));
                // The first frame is the one outside any routine, without locals, whose return
                // address is never used. Every other returns into the story, past its header,
                // and its arguments are a run of its locals from the first.
                const bool first = state.Frames.size() == (mainFirst ? 1u : 0u);
                frame.EndsGame = first && mainFirst;
                const bool returnsInside = first || (frame.ReturnAddress >= kHeaderSize &&
                                                     frame.ReturnAddress < original.Size());
                const bool argumentsFit =
                    (arguments & (arguments + 1)) == 0 && frame.ArgCount <= frame.LocalCount;
                if (chunk.Failed || state.Frames.size() >= static_cast<size_t>(maxFrames) ||
                    state.Stack.size() > static_cast<size_t>(maxStack) ||
                    (first && !mainFirst && frame.LocalCount != 0) || !returnsInside ||
                    !argumentsFit)
                    return fail("The saved game is damaged (its call frames do not add up).");
                state.Frames.push_back(frame);
            }
            haveStacks = true;
        }
    }
    if (!haveHeader || !haveMemory || !haveStacks || state.Frames.size() < (mainFirst ? 2u : 1u))
        return fail("The saved game is damaged (a part of it is missing).");
    if (!FixedHeaderMatches(state.Memory, original))
        return fail("The saved game is damaged (its header is not the story's).");
    return state;
}

} // namespace lantern
