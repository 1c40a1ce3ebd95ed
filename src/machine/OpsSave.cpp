// Saving, restoring and undo of the complete Z-machine: the machine state captured and put
// back, Quetzal files, and the undo levels kept in memory.
#include "files/Autosave.h"
#include "files/FileRead.h"
#include "files/FileWrite.h"
#include "machine/Decoder.h"
#include "machine/zMachine.h"
#include "memory/StoryError.h"

#include <filesystem>

namespace lantern {

namespace {

// A saved game holds at most dynamic memory (64 KiB, twice that when compressed badly), 1024
// stack values and 91 frames: a file far larger than that is not one.
constexpr size_t kMaxSavedGameSize = size_t{4} << 20;
// A table of dynamic memory is at most 64 KiB; a story may read the start of a larger file.
constexpr size_t kMaxTableFileSize = size_t{1} << 20;

constexpr const char* kNoPlaceToGoOn = "The saved game is damaged (it goes on neither after a "
                                       "SAVE of this story nor at one of its inputs).";

} // namespace

size_t zMachine::DynamicSize() const {
    const int32_t staticBase = m_story.ReadWord(0x0E, true);
    return static_cast<size_t>(std::min(staticBase, m_pristineStory.Size()));
}

MachineState zMachine::CaptureState(int32_t pc) const {
    MachineState state;
    state.Memory.assign(m_story.Data(), m_story.Data() + DynamicSize());
    state.Stack.assign(m_stack.begin() + 1, m_stack.begin() + 1 + m_stackPointer);
    state.Frames.assign(m_frames.begin(), m_frames.begin() + 1 + m_frameIndex);
    state.PC = pc;
    return state;
}

void zMachine::PutState(const MachineState& state) {
    ++m_stateChanges;
    // Restoring, undo and going on from an autosave stop what plays.
    m_sound.StopPlaying();
    // Only states that fit this machine are applied (ReadQuetzal checks a file's). Memory is
    // written as the story writes it: code kept decoded that it changes is dropped, and only
    // that (most states change data alone, and the code stays decoded).
    m_story.Overwrite(state.Memory);
    std::copy(state.Stack.begin(), state.Stack.end(), m_stack.begin() + 1);
    m_stackPointer = static_cast<int32_t>(state.Stack.size());
    std::copy(state.Frames.begin(), state.Frames.end(), m_frames.begin());
    m_frameIndex = static_cast<int>(state.Frames.size()) - 1;
    m_frame = &m_frames[static_cast<size_t>(m_frameIndex)];
    // The objects' layout is read again; the interpreter's header bytes are its own, not the
    // saved game's.
    m_objects.Reset();
    WriteHeaderBytes();
    ResumeFileStreams();
    RefreshCode();
}

void zMachine::ApplyState(const MachineState& state) {
    PutState(state);
    m_pc = state.PC;
    if (m_version <= 3) {
        // The saved PC is the SAVE's branch data, after its one-byte opcode: go on as if it
        // succeeded.
        Branch(true, m_cache.Fetch(m_pc - 1));
    } else {
        // The saved PC is the store byte: the SAVE returns 2, "restored".
        const int variable = m_story.ReadByte(m_pc);
        ++m_pc;
        WriteVariable(variable, 2, false);
    }
}

bool zMachine::IsSavePoint(int32_t pc) {
    // A saved game goes on where its SAVE left off: in versions 1 to 3 at the SAVE's branch
    // data, after its one-byte opcode (0xB5); in version 4 at its store byte, after that opcode;
    // from version 5 at the store byte of an EXT SAVE without operands (0xBE 0x00 0xFF). So the
    // instruction decoded just before pc must be that SAVE and end where the saved game says.
    // Code in dynamic memory is not accepted: it is the one part a restore replaces, and no
    // story keeps its SAVE there. The header is never code.
    const int opcodeLength = m_version >= 5 ? 3 : 1;
    const int64_t start = int64_t{pc} - opcodeLength;
    if (start < std::max<int64_t>(kHeaderSize, static_cast<int64_t>(DynamicSize())) ||
        !m_story.Contains(start, opcodeLength + 1))
        return false;
    zInstruction save;
    try {
        DecodeInstruction(m_story, static_cast<int32_t>(start), m_version, m_text, save);
    } catch (const StoryError&) {
        return false;
    }
    if (m_version >= 5)
        return save.OpCodeType == kOpExt && save.OpCode == 0 && save.OperandCount == 0 &&
               save.NextInstr == pc + 1;
    return save.OpCodeType == kOp0 && save.OpCode == 5 &&
           (m_version <= 3 || save.NextInstr == pc + 1);
}

std::string zMachine::DefaultFileName(const std::string& extension) const {
    std::filesystem::path path(m_storyPath.empty() ? std::string("story") : m_storyPath);
    return path.replace_extension(extension).string();
}

bool zMachine::SaveGame(int32_t pc) {
    m_sound.StopPlaying();
    const auto name = AskFileToWrite(FileUse::SaveGame, DefaultFileName(".qzl"));
    if (!name)
        return false;
    const auto failed =
        WriteWholeFile(*name, WriteQuetzal(CaptureState(pc), m_pristineStory), ProtectedFiles());
    if (failed) {
        m_host.ShowMessage("The game cannot be saved. " + *failed, MessageIcon::Error);
        return false;
    }
    return true;
}

bool zMachine::RestoreGame() {
    const auto name = m_host.AskFileName(FileUse::RestoreGame, DefaultFileName(".qzl"));
    if (!name || name->empty())
        return false;
    const FileBytes read = ReadRegularFile(*name, kMaxSavedGameSize);
    if (!read.Ok()) {
        m_host.ShowMessage("The game cannot be restored. " + read.Describe(*name),
                           MessageIcon::Error);
        return false;
    }
    std::string error;
    const auto state = ReadQuetzal(read.Bytes, m_pristineStory, DynamicSize(), kMaxFrameIndex + 1,
                                   kStackSize, error);
    if (state && !ApplySavedGame(*state))
        error = kNoPlaceToGoOn;
    else if (state)
        return true;
    m_host.ShowMessage(error, MessageIcon::Error);
    return false;
}

zMachine::Awaiting zMachine::InputAt(int32_t pc) {
    // As for a SAVE, the instruction lies in the story's code, beyond dynamic memory.
    if (pc < std::max<int64_t>(kHeaderSize, static_cast<int64_t>(DynamicSize())) ||
        !m_story.Contains(pc, 1))
        return Awaiting::Nothing;
    zInstruction input;
    try {
        DecodeInstruction(m_story, pc, m_version, m_text, input);
    } catch (const StoryError&) {
        return Awaiting::Nothing;
    }
    // READ (VAR:4), and READ_CHAR (VAR:22) from version 4.
    if (input.OpCodeType != kOpVar)
        return Awaiting::Nothing;
    if (input.OpCode == 4)
        return Awaiting::Line;
    return m_version >= 4 && input.OpCode == 22 ? Awaiting::Key : Awaiting::Nothing;
}

bool zMachine::ApplySavedGame(const MachineState& state) {
    if (IsSavePoint(state.PC)) {
        ApplyState(state);
        return true;
    }
    if (InputAt(state.PC) != Awaiting::Nothing) {
        // Kept while the story waited for input: it waits again.
        PutState(state);
        m_pc = state.PC;
        return true;
    }
    return false;
}

void zMachine::OpSave(const Predecoded& in) {
    if (!m_standard) {
        PerformSave();
        if (in.HasStore())
            StoreResult(in, 0); // version 4: 0 means the save failed
        Next(in);
        return;
    }
    // Versions 1 to 3 branch (the branch data follows the one-byte opcode); later ones store
    // (the store byte ends the instruction).
    const bool saved = SaveGame(in.HasStore() ? in.NextInstr() - 1 : in.Address + 1);
    if (in.HasStore()) {
        StoreResult(in, saved ? 1 : 0);
        Next(in);
    } else {
        Branch(saved, in);
    }
}

void zMachine::OpRestore(const Predecoded& in) {
    if (!m_standard) {
        PerformRestore();
        if (in.HasStore())
            StoreResult(in, 0);
        Next(in);
        return;
    }
    const bool hasStore = in.HasStore();
    if (RestoreGame())
        return; // the game goes on from the saved SAVE
    if (hasStore) {
        StoreResult(in, 0);
        Next(in);
    } else {
        Branch(false, in);
    }
}

std::optional<std::string> zMachine::DataFileName(int32_t name, bool prompt, FileUse use) {
    std::string path;
    if (name != 0) {
        // The story's name for the file: a plain name of letters, digits, "-", "_" and "."
        // (not starting with "."), always ending in ".aux" and beside the story, so that a
        // story can reach no other folder and no other kind of file.
        if (!m_story.Contains(name, 1))
            return std::nullopt;
        const int length = m_story.ReadByte(name);
        if (!m_story.Contains(name, 1 + int64_t{length}))
            return std::nullopt;
        std::string given;
        for (int i = 1; i <= length; ++i) {
            const auto c = static_cast<char>(m_story.ReadByte(int64_t{name} + i));
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                               (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
            if (!plain)
                return std::nullopt;
            given.push_back(c);
        }
        if (given.empty() || given.front() == '.')
            return std::nullopt;
        // A story played from memory has no folder of its own to keep files in.
        if (m_storyPath.empty())
            return std::nullopt;
        std::string lower = given;
        for (char& c : lower)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (!lower.ends_with(".aux"))
            given += ".aux";
        path = (std::filesystem::path(m_storyPath).parent_path() / given).string();
        if (!prompt)
            return path;
    }
    const std::string suggested = path.empty() ? DefaultFileName(".aux") : path;
    auto asked =
        WritesFile(use) ? AskFileToWrite(use, suggested) : m_host.AskFileName(use, suggested);
    if (asked && asked->empty())
        asked.reset();
    return asked;
}

int32_t zMachine::SaveTable(int32_t table, int32_t bytes, int32_t name, bool prompt) {
    // Only dynamic memory is the story's to keep; a table beyond it is a failure.
    if (int64_t{table} + bytes > static_cast<int64_t>(DynamicSize()))
        return 0;
    const auto path = DataFileName(name, prompt, FileUse::SaveData);
    if (!path)
        return 0;
    const std::span<const uint8_t> data(m_story.Data() + table, static_cast<size_t>(bytes));
    if (const auto failed = WriteWholeFile(*path, data, ProtectedFiles())) {
        m_host.ShowMessage("The data cannot be saved. " + *failed, MessageIcon::Error);
        return 0;
    }
    return 1;
}

int32_t zMachine::RestoreTable(int32_t table, int32_t bytes, int32_t name, bool prompt) {
    if (int64_t{table} + bytes > static_cast<int64_t>(DynamicSize()))
        return 0;
    const auto path = DataFileName(name, prompt, FileUse::RestoreData);
    if (!path)
        return 0;
    const FileBytes read = ReadRegularFile(*path, kMaxTableFileSize);
    if (!read.Ok()) {
        // A story may look for a file it has not written yet: that needs no message.
        if (read.Failure != FileBytes::Problem::Missing)
            m_host.ShowMessage("The data cannot be restored. " + read.Describe(*path),
                               MessageIcon::Error);
        return 0;
    }
    const std::vector<uint8_t>& data = read.Bytes;
    const size_t count = std::min(data.size(), static_cast<size_t>(bytes));
    // Written as STOREB writes, so that code kept decoded there is noticed.
    for (size_t i = 0; i < count; ++i)
        m_story.WriteByte(int64_t{table} + static_cast<int64_t>(i), data[i]);
    return static_cast<int32_t>(count);
}

void zMachine::OpSaveExt(const Predecoded& in) {
    if (!m_standard)
        return OpExtRefused(in);
    if (in.OperandCount > 0) {
        // The forms with operands keep a table of memory in a file: table, bytes, name and
        // whether to ask the player all the same (Standard 1.1).
        const int32_t table = Arg(in, 1, true);
        const int32_t bytes = in.OperandCount >= 2 ? Arg(in, 2, true) : 0;
        const int32_t name = in.OperandCount >= 3 ? Arg(in, 3, true) : 0;
        const bool prompt = in.OperandCount >= 4 && Arg(in, 4, true) != 0;
        for (int i = 5; i <= in.OperandCount; ++i)
            Arg(in, i, true);
        StoreResult(in, in.OpCode == 0 ? SaveTable(table, bytes, name, prompt)
                                       : RestoreTable(table, bytes, name, prompt));
        Next(in);
        return;
    }
    if (in.OpCode == 0)
        OpSave(in);
    else
        OpRestore(in);
}

void zMachine::OpSaveUndo(const Predecoded& in) {
    if (!m_standard) {
        StoreResult(in, -1); // undo is not available
        Next(in);
        return;
    }
    if (m_undo.size() >= kUndoLevels)
        m_undo.pop_front();
    m_undo.push_back(CaptureState(in.NextInstr() - 1));
    StoreResult(in, 1);
    Next(in);
}

void zMachine::OpRestoreUndo(const Predecoded& in) {
    if (!m_standard)
        return OpExtRefused(in);
    if (m_undo.empty()) {
        StoreResult(in, 0);
        Next(in);
        return;
    }
    const MachineState state = std::move(m_undo.back());
    m_undo.pop_back();
    ApplyState(state);
}

// ---- Autosaves ------------------------------------------------------------------------------

void zMachine::MarkInputBoundary(int32_t pc) {
    // Whoever watches the trace sees it up to where the story waits for the player.
    m_trace.Flush();
    // A tick's routine may read keys itself; its frames are not a place to go on from. Version
    // 6 keeps no saved games.
    if (!m_autosaveHold || m_tickDepth > 0)
        return;
    // A second input: the player has given the game one.
    m_playedOn = m_playedOn || m_boundary.has_value();
    m_boundary = InputBoundary{CaptureState(pc), m_screen.Snapshot()};
}

std::string zMachine::AutosaveFile() const {
    const StoryIdentity identity = StoryIdentity::Of(m_pristineStory);
    return AutosavePath(m_autosaveFolder, identity.Release, identity.Serial, identity.Checksum);
}

void zMachine::WriteAutosave() {
    m_sound.StopPlaying();
    // A game stopped before the player gave it anything (the window closed while the question
    // to go on was shown, say) is not worth the game kept before it.
    if (!m_boundary || !m_playedOn)
        return;
    std::error_code ec;
    std::filesystem::create_directories(m_autosaveFolder, ec);
    const std::string path = AutosaveFile();
    const std::vector<uint8_t> bytes = PackAutosave(
        WriteQuetzal(m_boundary->State, m_pristineStory), m_boundary->Screen.Encode());
    if (bytes.empty())
        m_host.ShowMessage("Cannot keep the game in \"" + path + "\".", MessageIcon::Error);
    else if (const auto failed = WriteWholeFile(path, bytes, ProtectedFiles()))
        m_host.ShowMessage("The game cannot be kept. " + *failed, MessageIcon::Error);
}

void zMachine::OfferResume() {
    m_resumed = false;
    m_playedOn = false;
    m_autosaveHold.reset();
    if (m_autosaveFolder.empty() || !m_standard || m_version == 6)
        return;
    // The game is kept only when it holds the story's autosave: it is said at once when it
    // cannot, and a game of the same story that holds it is never replaced.
    std::error_code folderError;
    std::filesystem::create_directories(m_autosaveFolder, folderError);
    constexpr const char* kNotKept = "this game will not be kept when it is stopped.";
    if (!std::filesystem::is_directory(m_autosaveFolder, folderError)) {
        m_host.ShowMessage("\"" + m_autosaveFolder + "\" is not a folder: " + kNotKept,
                           MessageIcon::Error);
        return;
    }
    const std::string path = AutosaveFile();
    auto hold = std::make_unique<AutosaveHold>(path);
    if (hold->GetState() != AutosaveHold::State::Held) {
        m_host.ShowMessage(hold->GetState() == AutosaveHold::State::Busy
                               ? std::string("This story is being played in another game, which "
                                             "keeps it: ") +
                                     kNotKept
                               : "No lock can be made beside \"" + path + "\": " + kNotKept,
                           MessageIcon::Error);
        return;
    }
    m_autosaveHold = std::move(hold);
    FileBytes file = ReadRegularFile(path, kMaxAutosaveSize);
    if (file.Failure == FileBytes::Problem::Missing)
        return;
    if (!file.Ok() && file.Failure != FileBytes::Problem::TooLarge) {
        m_host.ShowMessage("The game kept when this story was last stopped cannot be read. " +
                               file.Describe(path) + " The story starts afresh.",
                           MessageIcon::Error);
        return;
    }
    std::optional<MachineState> state;
    std::optional<ScreenSnapshot> screen;
    std::string error;
    if (auto contents = file.Ok() ? UnpackAutosave(std::move(file.Bytes)) : std::nullopt) {
        state = ReadQuetzal(contents->Quetzal, m_pristineStory, DynamicSize(), kMaxFrameIndex + 1,
                            kStackSize, error);
        screen = ScreenSnapshot::Decode(contents->Screen);
    }
    // The game goes on at the READ or READ_CHAR (VAR:4 and VAR:22) it was kept at.
    constexpr int kReadByte = 0xE4;
    constexpr int kReadCharByte = 0xF6;
    const bool atInput =
        state && m_story.Contains(state->PC, 1) &&
        (m_story.ReadByte(state->PC) == kReadByte || m_story.ReadByte(state->PC) == kReadCharByte);
    if (!atInput || !screen) {
        m_host.ShowMessage("The game kept when this story was last stopped (\"" + path +
                               "\") is damaged; the story starts afresh.",
                           MessageIcon::Error);
        return;
    }
    if (!m_host.AskQuestion("Go on with the game of this story that was stopped without "
                            "quitting?"))
        return;
    PutState(*state);
    m_pc = state->PC;
    m_screen.ShowSnapshot(*screen);
    m_resumed = true;
}

} // namespace lantern
