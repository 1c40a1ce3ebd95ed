// Play driven by a program: the run stops where the story waits for input, and the game waiting
// there is kept and put back whole (snapshots as Quetzal saved games, checkpoints in memory).
#include "files/Iff.h"
#include "machine/zMachine.h"
#include "memory/StoryError.h"

namespace lantern {

namespace {

// The IntD chunk of a snapshot (Quetzal's chunk for an interpreter's own data): an operating
// system id (any), flags (none), the contents' id, two reserved bytes and the interpreter's id;
// then the random numbers' two 64-bit states and the upper window's rows, each ended by a line
// feed, so that a program's game comes back as it was seen.
constexpr std::string_view kAnySystem = "    ";
constexpr std::string_view kInterpreterId = "LNTN";
constexpr uint8_t kProgramContents = 1;
constexpr size_t kIntDHeader = 12;
constexpr size_t kRandomBytes = 16;
// More rows than a screen has mean the chunk is not ours.
constexpr size_t kMaxRows = 255;

std::vector<uint8_t> ProgramChunk(const Random::State& numbers,
                                  const std::vector<std::string>& upper) {
    std::vector<uint8_t> data(kAnySystem.begin(), kAnySystem.end());
    data.push_back(0);
    data.push_back(kProgramContents);
    PutBigEndian(data, 0, 2);
    data.insert(data.end(), kInterpreterId.begin(), kInterpreterId.end());
    for (const uint64_t value : {numbers.Current, numbers.Reseed}) {
        PutBigEndian(data, static_cast<uint32_t>(value >> 32), 4);
        PutBigEndian(data, static_cast<uint32_t>(value), 4);
    }
    for (const std::string& row : upper) {
        for (const char c : row)
            data.push_back(c == '\n' ? static_cast<uint8_t>(' ') : static_cast<uint8_t>(c));
        data.push_back('\n');
    }
    return data;
}

struct ProgramData {
    Random::State Numbers;
    std::vector<std::string> Upper;
};

// What a snapshot of ours keeps beside the saved game, if it is there.
std::optional<ProgramData> ReadProgramChunk(const std::vector<uint8_t>& file) {
    const IffForm form = IffForm::Parse(file);
    const IffChunk* chunk = form.Ok() ? form.Find("IntD") : nullptr;
    if (!chunk || chunk->Data.size() < kIntDHeader + kRandomBytes)
        return std::nullopt;
    const std::span<const uint8_t> data = chunk->Data;
    if (data[5] != kProgramContents ||
        !std::equal(kInterpreterId.begin(), kInterpreterId.end(), data.begin() + 8))
        return std::nullopt;
    BigEndianReader reader{data.subspan(kIntDHeader)};
    ProgramData kept;
    for (uint64_t* value : {&kept.Numbers.Current, &kept.Numbers.Reseed}) {
        const uint64_t high = reader.Take(4);
        *value = (high << 32) | reader.Take(4);
    }
    std::string row;
    for (const uint8_t c : data.subspan(kIntDHeader + kRandomBytes)) {
        if (c != '\n') {
            row.push_back(static_cast<char>(c));
            continue;
        }
        if (kept.Upper.size() >= kMaxRows)
            return std::nullopt;
        kept.Upper.push_back(std::move(row));
        row.clear();
    }
    if (!row.empty())
        return std::nullopt;
    return kept;
}

} // namespace

bool zMachine::StopsForInput(Awaiting awaited) {
    if (awaited == Awaiting::Line ? m_keyboard.HoldsLine() : m_keyboard.HoldsKey())
        return false;
    // The status line of versions 1 to 3 stands as the READ draws it.
    if (awaited == Awaiting::Line && m_version <= 3)
        DrawStatusLine();
    m_awaiting = awaited;
    Stop(GameOutcome::Kind::Waiting);
    return true;
}

std::vector<uint8_t> zMachine::SaveSnapshot() const {
    if (m_awaiting == Awaiting::Nothing || m_version == 6)
        return {};
    return WriteQuetzal(CaptureState(m_pc), m_pristineStory,
                        ProgramChunk(m_random.GetState(), m_screen.UpperRows()));
}

bool zMachine::RestoreSnapshot(const std::vector<uint8_t>& bytes, std::string& error) {
    if (m_version == 6) {
        error = "Version 6 games are not kept as saved games.";
        return false;
    }
    const auto state =
        ReadQuetzal(bytes, m_pristineStory, DynamicSize(), kMaxFrameIndex + 1, kStackSize, error);
    if (!state)
        return false;
    const bool atSave = IsSavePoint(state->PC);
    const Awaiting input = atSave ? Awaiting::Nothing : InputAt(state->PC);
    if (!atSave && input == Awaiting::Nothing) {
        error = "The saved game is damaged (it goes on neither after a SAVE of this story nor "
                "at one of its inputs).";
        return false;
    }
    m_keyboard.Reset();
    if (atSave) {
        ApplyState(*state);
    } else {
        PutState(*state);
        m_pc = state->PC;
    }
    m_undo.clear();
    m_awaiting = input;
    const auto kept = ReadProgramChunk(bytes);
    if (kept) {
        m_random.SetState(kept->Numbers);
        m_screen.ShowUpperRows(kept->Upper);
    } else if (input == Awaiting::Line && m_version <= 3) {
        // The status line as the READ draws it; a status line that cannot be drawn is the
        // READ's fault, when it runs.
        try {
            DrawStatusLine();
        } catch (const StoryError&) {
        }
    }
    return true;
}

zMachine::Checkpoint zMachine::TakeCheckpoint() const {
    return {CaptureState(m_pc), m_undo, m_random, m_awaiting};
}

void zMachine::PutCheckpoint(const Checkpoint& checkpoint) {
    m_keyboard.Reset();
    PutState(checkpoint.State);
    m_pc = checkpoint.State.PC;
    m_undo = checkpoint.Undo;
    m_random = checkpoint.Numbers;
    m_awaiting = checkpoint.Awaited;
}

} // namespace lantern
