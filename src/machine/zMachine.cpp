#include "machine/zMachine.h"

#include "machine/Decoder.h"
#include "machine/OpcodeTable.h"
#include "memory/StoryError.h"
#include "screen/StatusLine.h"

#include <cstdio>
#include <filesystem>

namespace lantern {

namespace {

// The run loop lets a busy story's front-end breathe this often (instructions).
constexpr uint32_t kEventInterval = 1u << 16;

std::string FaultMessage(const std::string& what, int32_t address) {
    return "Story fault at address " + HexString(address >> 16) + HexString(address) + ": " + what +
           ".";
}

} // namespace

zMachine::zMachine(Host& host, Surface& surface, std::optional<uint64_t> randomSeed)
    : m_host(host), m_surface(surface), m_streams(m_story), m_objects(m_story, m_text),
      m_dictionary(m_text), m_screen(surface), m_keyboard(host, m_screen), m_random(randomSeed) {
    m_streams.SetScreenWriter([this](std::string_view text) { WriteToScreen(text); });
}

// ---- Loading and starting ------------------------------------------------------------------

void zMachine::LoadStory(const std::string& path) {
    LoadStory(StoryImage::LoadFile(path));
    m_storyPath = path;
}

void zMachine::LoadStory(StoryImage image) {
    if (image.Size() < kHeaderSize)
        throw LoadError("The story file is too short to be a story file.");
    // Only versions 1 to 8 exist; any other first byte means this is not a story file.
    if (image.Version() < 1 || image.Version() > 8)
        throw LoadError("Unsupported story version " + std::to_string(image.Version()));
    m_story = std::move(image);
    m_pristineStory = m_story;
    m_version = m_story.Version();
    m_text.SetupAlphabets(m_story);
    m_routineOffset = m_story.ReadWord(0x28, true);
    m_stringOffset = m_story.ReadWord(0x2A, true);
    m_dictionary.LoadDictionary(m_story, m_story.ReadWord(0x08, true));
    m_text.LoadAbbreviations(m_story);
}

void zMachine::PrepareScreen(int width, int height) {
    m_screen.SetSurface(m_surface);
    m_screen.SetScreenHeight(height);
    m_screen.SetScreenWidth(width);
    m_screen.EraseWindow(-1);
}

void zMachine::WriteHeaderBytes() {
    const int charWidth = m_screen.CharWidth() > 0 ? m_screen.CharWidth() : 1;
    const int charHeight = m_screen.CharHeight() > 0 ? m_screen.CharHeight() : 1;
    m_story.WriteByte(0x21, m_screen.ScreenWidth() / charWidth);
    m_story.WriteByte(0x20, m_screen.ScreenHeight() / charHeight);
    m_story.WriteByte(0x27, charHeight);
    m_story.WriteByte(0x26, charWidth);
    if (m_version >= 1 && m_version <= 3)
        m_story.WriteByte(0x01, (m_story.ReadByte(0x01) & 0x87) | 0x60);
    else if (m_version >= 4 && m_version <= 8)
        m_story.WriteByte(0x01, 0xFD);
}

void zMachine::ResetForStart() {
    m_stopKind = GameOutcome::Kind::Quit;
    WriteHeaderBytes();
    m_screen.BufferMode(1);
    if (m_version <= 3)
        m_screen.SplitWindow(1);
    m_streams.Reset();
    m_keyboard.Reset();
    m_objects.Reset();
    // Every start, restarts included, begins with an empty stack in a single frame, however
    // deep a RESTART was called.
    m_stackPointer = 0;
    m_stack[0] = 0;
    m_frameIndex = 0;
    m_frames[0] = zRoutine{};
}

void zMachine::StartGame() {
    ResetForStart();
    if (m_version == 6) {
        PerformCall(UnpackAddress(m_story.ReadWord(0x06, true), true), 0, -1, 0, nullptr);
        m_frames[static_cast<size_t>(m_frameIndex)].EndsGame = true;
    } else {
        m_pc = m_story.ReadWord(0x06, true);
    }
}

void zMachine::Restart() {
    m_text.SetDefaultAlphabets();
    PrepareScreen(m_screen.ScreenWidth(), m_screen.ScreenHeight());
    // The pristine image is the file as it was loaded: every change the story made is lost.
    LoadStory(StoryImage(m_pristineStory));
    ResetForStart();
    // Version 6 too continues at the initial PC: a restart calls no main routine.
    m_pc = m_story.ReadWord(0x06, true);
}

// ---- The run loop ------------------------------------------------------------------------

GameOutcome zMachine::RunGame(const std::string& storyPath) {
    GameOutcome outcome;
    m_instruction = zInstruction{};
    try {
        try {
            LoadStory(storyPath);
        } catch (const LoadError& e) {
            outcome = {GameOutcome::Kind::LoadFailed, e.what()};
        } catch (const StoryError& e) {
            outcome = {GameOutcome::Kind::LoadFailed,
                       std::string("The story file is damaged: ") + e.what() + "."};
        }
        // Creating the trace would wipe the story out if it is the same file, by whatever name.
        std::error_code sameError;
        if (outcome.kind != GameOutcome::Kind::LoadFailed && !m_tracePath.empty() &&
            std::filesystem::equivalent(m_tracePath, storyPath, sameError) && !sameError)
            outcome = {GameOutcome::Kind::LoadFailed,
                       "The trace file \"" + m_tracePath +
                           "\" is the story file: it would be overwritten. Choose another one."};
        if (outcome.kind == GameOutcome::Kind::LoadFailed) {
            m_host.ShowMessage(outcome.message, MessageIcon::Error);
            return outcome;
        }
        if (!m_tracePath.empty() && !m_trace.Open(m_tracePath))
            m_host.ShowMessage("Cannot create the trace file \"" + m_tracePath + "\".",
                               MessageIcon::Error);
        StartGame();
        outcome.kind = RunLoop();
    } catch (const StoryError& e) {
        outcome = {GameOutcome::Kind::Fault, FaultMessage(e.what(), m_instruction.Address)};
    } catch (const GameStopped&) {
        outcome = {GameOutcome::Kind::Stopped, {}};
    }
    m_trace.Close();
    m_keyboard.Reset();
    m_objects.Reset();
    if (outcome.kind == GameOutcome::Kind::Fault) {
        try {
            m_host.ShowMessage(outcome.message, MessageIcon::Error);
        } catch (const GameStopped&) {
        }
    }
    return outcome;
}

GameOutcome::Kind zMachine::RunLoop() {
    m_stopKind = GameOutcome::Kind::Quit;
    while (Step()) {
        if (++m_eventCountdown >= kEventInterval) {
            m_eventCountdown = 0;
            m_host.ProcessPendingEvents();
        }
    }
    return m_stopKind;
}

bool zMachine::Step() {
    DecodeInstruction(m_story, m_pc, m_version, m_text, m_instruction);
    return RunInstruction(m_instruction) == 1;
}

int zMachine::RunInstruction(const zInstruction& in) {
    m_stop = false;
    m_skipTrace = false;
    std::string state;
    if (m_trace.IsOn())
        state = StateText();
    const OpcodeEntry& entry = LookupOpcode(in.OpCodeType, in.OpCode, m_version);
    (this->*entry.handler)(in);
    if (!m_skipTrace && m_trace.IsOn())
        m_trace.PrintInstr(in, entry.name, state, m_frameIndex,
                           HasBranch(in.OpCodeType, in.OpCode, m_version),
                           HasStore(in.OpCodeType, in.OpCode, m_version));
    return m_stop ? 0 : 1;
}

std::string zMachine::StateText() const {
    std::string text = " SP:" + HexString(m_stack[static_cast<size_t>(m_stackPointer)]);
    const zRoutine& routine = CurrentRoutine();
    for (int i = 1; i <= routine.LocalCount; ++i)
        text += " L" + HexString(i - 1) + ":" + HexString(routine.Locals[static_cast<size_t>(i)]);
    const int32_t globals = m_story.ReadWord(0x0C, true);
    for (int n = 0; n < 240; ++n) {
        const int64_t address = int64_t{globals} + 2 * n;
        if (!m_story.Contains(address, 2))
            break;
        const int32_t value = m_story.ReadWord(address);
        if (value != 0)
            text += " G" + HexString(n) + ":" + HexString(value);
    }
    return text;
}

// ---- Memory rules ------------------------------------------------------------------------

int32_t zMachine::UnpackAddress(int32_t packed, bool isRoutine) const {
    const int64_t p = packed & 0xFFFF;
    int64_t address = 0;
    if (m_version >= 1 && m_version <= 3)
        address = 2 * p;
    else if (m_version == 4 || m_version == 5)
        address = 4 * p;
    else if (m_version == 6 || m_version == 7)
        address = 4 * (p + 2 * int64_t{isRoutine ? m_routineOffset : m_stringOffset});
    else if (m_version == 8)
        address = 8 * p;
    return static_cast<int32_t>(address);
}

bool zMachine::PerformVerify() const {
    // The checksum is the file's: it is summed over the story as loaded, since the story's own
    // changes to dynamic memory are not damage to the file.
    const StoryImage& file = m_pristineStory;
    const int multiplier = m_version < 4 ? 2 : (m_version <= 5 ? 4 : 8);
    int64_t length = int64_t{multiplier} * file.ReadWord(0x1A, true);
    // A length word past the end of the file sums only what the file holds.
    if (length > file.Size())
        length = file.Size();
    uint32_t sum = 0;
    for (int64_t a = 64; a < length; ++a)
        sum = (sum + file.ReadByte(a)) & 0xFFFF;
    return sum == static_cast<uint32_t>(file.ReadWord(0x1C, true));
}

// ---- Variables and the stack ---------------------------------------------------------------

int32_t zMachine::ReadOperand(int operandType, int32_t value, bool keep, bool isUnsigned) {
    int32_t raw = value;
    if (operandType == kVariable) {
        const int variable = value & 0xFF;
        if (variable == 0) {
            raw = m_stack[static_cast<size_t>(m_stackPointer)];
            if (!keep) {
                if (CurrentRoutine().FramePointer < m_stackPointer)
                    --m_stackPointer;
                else
                    m_host.ShowMessage("Stack Underflow", MessageIcon::Error);
            }
        } else if (variable < 16) {
            raw = m_frames[static_cast<size_t>(m_frameIndex)].Locals[static_cast<size_t>(variable)];
        } else {
            raw = Global(variable);
        }
    }
    raw &= 0xFFFF;
    if (!isUnsigned && (raw & 0x8000))
        raw -= 0x10000;
    return raw;
}

void zMachine::WriteVariable(int variable, int32_t value, bool inPlace) {
    const int32_t v = value & 0xFFFF;
    variable &= 0xFF;
    if (variable == 0) {
        if (!inPlace) {
            if (m_stackPointer >= kStackSize)
                throw StoryError("stack overflow (more than 1024 values on the stack)");
            ++m_stackPointer;
        }
        m_stack[static_cast<size_t>(m_stackPointer)] = v;
    } else if (variable < 16) {
        m_frames[static_cast<size_t>(m_frameIndex)].Locals[static_cast<size_t>(variable)] = v;
    } else {
        SetGlobal(variable, v);
    }
}

int32_t zMachine::Global(int variable) const {
    return m_story.ReadWord(int64_t{m_story.ReadWord(0x0C, true)} + 2 * ((variable & 0xFF) - 16));
}

void zMachine::SetGlobal(int variable, int32_t value) {
    m_story.WriteWord(int64_t{m_story.ReadWord(0x0C, true)} + 2 * ((variable & 0xFF) - 16), value);
}

// ---- Calls, returns and branches ------------------------------------------------------------

void zMachine::PerformCall(int32_t routine, int32_t returnAddress, int storeVar, int argumentCount,
                           const int32_t* arguments) {
    if (routine == 0) {
        if (storeVar >= 0)
            WriteVariable(storeVar, 0, false);
        m_pc = returnAddress;
        return;
    }
    const int localCount = m_story.ReadByte(routine);
    if (localCount > kMaxLocals)
        throw StoryError("a routine declares " + std::to_string(localCount) +
                         " locals (at most 15 are allowed)");
    if (m_frameIndex >= kMaxFrameIndex)
        throw StoryError("routine calls nested too deeply (more than 90)");
    ++m_frameIndex;
    zRoutine& frame = m_frames[static_cast<size_t>(m_frameIndex)];
    frame = zRoutine{};
    frame.FramePointer = m_stackPointer;
    frame.ReturnAddress = returnAddress;
    frame.LocalCount = localCount;
    frame.StoreVar = storeVar;
    frame.ArgCount = argumentCount;
    m_pc = routine + 1;
    if (m_version < 5) {
        for (int i = 1; i <= localCount; ++i) {
            frame.Locals[static_cast<size_t>(i)] = m_story.ReadWord(m_pc, true);
            m_pc += 2;
        }
    }
    for (int i = 1; i <= argumentCount && i <= kMaxLocals; ++i)
        frame.Locals[static_cast<size_t>(i)] = arguments[i] & 0xFFFF;
}

void zMachine::PerformReturn(int32_t returnValue) {
    const zRoutine returning = m_frames[static_cast<size_t>(m_frameIndex)];
    if (m_frameIndex == 0 || returning.EndsGame) {
        // Returning from the first routine (or version 6's main routine) ends the game.
        m_stop = true;
        m_stopKind = GameOutcome::Kind::Quit;
        return;
    }
    m_stackPointer = returning.FramePointer;
    m_frames[static_cast<size_t>(m_frameIndex)] = zRoutine{};
    --m_frameIndex;
    if (returning.StoreVar >= 0)
        WriteVariable(returning.StoreVar, returnValue, false);
    m_pc = returning.ReturnAddress;
}

void zMachine::Branch(bool condition, const zInstruction& in) {
    if (condition == in.BranchCond) {
        if (in.Branch > 1)
            m_pc = in.Branch;
        else
            PerformReturn(in.Branch);
    } else {
        m_pc = in.NextInstr;
    }
}

// ---- Screen text, status line and line input ------------------------------------------------

void zMachine::WriteToScreen(std::string_view text) {
    if (m_transcript && m_screen.CurrentWindow() == 0)
        m_transcript(text);
    std::string rest = m_screen.OutPut(text, false);
    // A prompt with nothing left to draw still waits: otherwise the next text would scroll
    // the page away under a second prompt before the player has seen it.
    while (!rest.empty() || m_screen.PromptShown()) {
        m_screen.SetLinesPrinted(0);
        m_screen.UpdateDisplay();
        if (m_pagingWait)
            m_keyboard.WaitForKey();
        const size_t before = rest.size();
        rest = m_screen.OutPut(rest, true);
        if (rest.size() >= before)
            break; // a page that cannot make progress is dropped rather than waited on forever
    }
}

void zMachine::DrawStatusLine() {
    StatusLineInfo info;
    info.location = Global(16);
    if (info.location >= 1)
        info.locationName = m_objects.GetObject(info.location).ShortName();
    info.timeGame = (m_story.ReadByte(0x01) & 0x02) != 0;
    info.scoreOrHours = Global(17);
    info.movesOrMinutes = Global(18);
    lantern::DrawStatusLine(m_screen, info);
}

void zMachine::PerformRead(int32_t textOffset, int32_t parseOffset) {
    if (m_version < 4)
        DrawStatusLine();
    m_screen.SetLinesPrinted(0);
    m_screen.UpdateDisplay();
    // The text buffer's first byte bounds the line: in versions 1 to 4 it leaves room for the
    // terminating zero.
    const int maximum = m_story.ReadByte(textOffset);
    const size_t capacity = m_version <= 4 ? (maximum > 0 ? maximum - 1 : 0) : maximum;
    const std::string line =
        m_keyboard.ReadLine(capacity, [this](std::string_view echo) { PrintText(echo); });
    PrintText("\r\n");
    if (m_version <= 4) {
        for (size_t i = 0; i < line.size(); ++i)
            m_story.WriteByte(textOffset + 1 + static_cast<int64_t>(i),
                              static_cast<uint8_t>(line[i]));
        m_story.WriteByte(textOffset + 1 + static_cast<int64_t>(line.size()), 0);
    } else {
        m_story.WriteByte(textOffset + 1, static_cast<int32_t>(line.size()));
        for (size_t i = 0; i < line.size(); ++i)
            m_story.WriteByte(textOffset + 2 + static_cast<int64_t>(i),
                              static_cast<uint8_t>(line[i]));
    }
    if (parseOffset != 0)
        m_dictionary.Tokenise(m_story, textOffset, parseOffset, false);
}

} // namespace lantern
