#pragma once

#include "diagnostics/Trace.h"
#include "dictionary/zDictionary.h"
#include "files/Autosave.h"
#include "files/StoryFile.h"
#include "files/StreamFiles.h"
#include "input/Keyboard.h"
#include "machine/InstructionCache.h"
#include "machine/MachineState.h"
#include "machine/Predecoded.h"
#include "machine/Random.h"
#include "machine/RepeatedMessages.h"
#include "machine/zRoutine.h"
#include "memory/StoryImage.h"
#include "objects/ObjectTable.h"
#include "platform/Host.h"
#include "platform/Surface.h"
#include "screen/Pager.h"
#include "screen/zScreen.h"
#include "sound/StorySound.h"
#include "text/CharMap.h"
#include "text/OutputStreams.h"
#include "text/ZText.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// Evaluation stack slots (slot 0 is never pushed to) and routine frames above the first.
inline constexpr int kStackSize = 1024;
inline constexpr int kMaxFrameIndex = 90;
/// Undo levels kept in memory by the complete Z-machine.
inline constexpr size_t kUndoLevels = 10;

/// The interpreter number and version written to the header (versions 4 and later): 6, the
/// IBM PC, whose conventions suit a modern computer best, and version "A".
inline constexpr int kInterpreterNumber = 6;
inline constexpr int kInterpreterVersion = 'A';
/// The complete Z-machine's interpreter number: 4, the Amiga. It draws font 3, the character
/// graphics, and a story that would draw its frames with the IBM PC's own line-drawing codes
/// (accented letters in ZSCII) on interpreter 6 draws them with font 3 here.
inline constexpr int kStandardInterpreterNumber = 4;

/// How a game ended.
struct GameOutcome {
    enum class Kind {
        Quit,       ///< the story quit (or returned from its first routine)
        Stopped,    ///< the front-end ended it: window closed, input ran out, No to a question
        LoadFailed, ///< the story file could not be loaded
        Fault,      ///< the story did something impossible; message says what and where
        Waiting,    ///< a program drives the game: the story waits for input (RunUntilInput)
    };
    Kind kind = Kind::Quit;
    std::string message;
};

/// The Z-machine: owns the whole state of the running game (story image, stack, frames,
/// streams, objects, dictionary, screen, keyboard, trace) and executes it.
class zMachine {
  public:
    zMachine(Host& host, Surface& surface, std::optional<uint64_t> randomSeed = std::nullopt);

    // ---- Front-end settings ----------------------------------------------------------------
    /// Trace every instruction to this file for every game of this run (empty: no trace).
    void SetTraceFile(std::string path) { m_tracePath = std::move(path); }
    /// Shows the story's repeated messages only a few times between two inputs, and ends a game
    /// stuck in a loop of them (console mode); the window shows every one.
    void SetMessageRepeatsLimited(bool limited) { m_messages.SetLimited(limited); }
    /// The complete Z-machine (saving, restoring, undo) instead of the default behaviour.
    void SetStandard(bool standard) {
        m_standard = standard;
        m_keyboard.SetStoryKeys(standard);
        // The complete machine's screen follows the display's size and font, and is kept in
        // autosaves: it keeps a record of its text to draw itself again from.
        m_screen.KeepText(standard);
    }
    bool IsStandard() const { return m_standard; }
    /// Whether a full lower window waits for a key at "[**MORE**]" (off for scripted input).
    void SetPagingWait(bool wait);
    /// Keeps autosaves in folder (empty: none), under the complete Z-machine only. The game
    /// as it stood at its last READ or READ_CHAR is saved there when the front-end stops it
    /// (GameStopped), and a new game of the same story asks first whether to go on from it.
    void SetAutosaveFolder(std::string folder) { m_autosaveFolder = std::move(folder); }
    const std::string& AutosaveFolder() const { return m_autosaveFolder; }
    /// Receives the text printed to the lower window, in order, as UTF-8 (scripted console
    /// output).
    void SetTranscript(std::function<void(std::string_view)> sink) {
        m_transcript = std::move(sink);
    }

    // ---- The game driver --------------------------------------------------------------------
    /// Lays the screen model out on a display of width x height pixels and erases it.
    void PrepareScreen(int width, int height);
    /// The display changed size (surface pixels; cells for a character grid): the screen
    /// follows it (zScreen::Resize). During a game of the complete Z-machine the header gives
    /// the story the new size at its next read, and a version 1 to 3 story reading a command
    /// gets its status line again at the new width.
    void ResizeScreen(int width, int height);
    /// Plays one whole game of the story file: load (or take the story as the front-end has
    /// read it from that file), start, run until it ends. Faults and load failures are shown
    /// through the host and reported in the outcome; nothing escapes.
    GameOutcome RunGame(const std::string& storyPath, std::optional<StoryFile> read = {});
    /// True from a game's start until it has ended.
    bool GameInProgress() const { return m_gameInProgress; }

    /// Loads a story file, bare or in a Blorb (throws LoadError), or an image built in memory,
    /// and sets up the version rules, alphabets, dictionary and abbreviations.
    void LoadStory(const std::string& path);
    void LoadStory(StoryFile file, const std::string& path);
    void LoadStory(StoryImage image);
    /// Writes the interpreter's header bytes and sets up streams, frames and PC for the start.
    void StartGame();
    /// Runs instructions until the game ends; faults propagate as StoryError.
    GameOutcome::Kind RunLoop();
    /// Runs one instruction; false when the run must stop.
    bool Step();
    /// Why the run stopped, once Step has returned false.
    GameOutcome::Kind StopKind() const { return m_stopKind; }

    // ---- Play driven by a program (the JSON protocol, the Python module) --------------------
    /// What the story waits for while the run is stopped for input.
    enum class Awaiting { Nothing, Line, Key };
    /// A program drives the game: an input instruction that finds the keyboard without what it
    /// waits for (a line ended by Enter, a key) does not wait. The run stops before it with the
    /// kind Waiting, and the next run executes it afresh. The line typed and the line break
    /// after it do not reach the transcript sink: the program knows what it typed.
    void SetProgramDriven(bool driven) { m_programDriven = driven; }
    Awaiting AwaitedInput() const { return m_awaiting; }
    /// Runs until the story waits for input (see SetProgramDriven) or the game ends. A fault is
    /// reported in the outcome with its message (the game has then ended), as RunGame does.
    GameOutcome RunUntilInput();
    /// The game waiting for input, as a Quetzal saved game whose PC is the input instruction's
    /// (as an autosave's is), with the random numbers' state and the upper window's text in an
    /// IntD chunk; empty where there is none to give (a game that is not waiting, version 6).
    std::vector<uint8_t> SaveSnapshot() const;
    /// Puts back a snapshot (and the upper window's text it keeps), or a saved game of this
    /// story; the undo levels are forgotten. A game kept at its input waits for it again (see
    /// AwaitedInput); one kept at its SAVE is to be run on. False, with the reason, leaves the
    /// game as it was.
    bool RestoreSnapshot(const std::vector<uint8_t>& bytes, std::string& error);
    /// The whole game kept in memory while it waits for input, to be put back exactly.
    struct Checkpoint {
        MachineState State;
        std::deque<MachineState> Undo;
        Random Numbers;
        Awaiting Awaited = Awaiting::Nothing;
    };
    Checkpoint TakeCheckpoint() const;
    void PutCheckpoint(const Checkpoint& checkpoint);
    /// Instructions run since the machine was made.
    uint64_t InstructionCount() const { return m_instructionCount; }
    /// Whether instructions are kept decoded between runs (on by default; off decodes every
    /// instruction each time it runs, which must behave the same).
    void SetInstructionCache(bool enabled) { m_cache.SetEnabled(enabled); }

    // ---- Machine state and its operations ---------------------------------------------------
    int Version() const { return m_version; }
    int32_t PC() const { return m_pc; }
    void SetPC(int32_t pc) { m_pc = pc; }
    StoryImage& Story() { return m_story; }
    const StoryImage& Story() const { return m_story; }

    int32_t UnpackAddress(int32_t packed, bool isRoutine) const {
        return isRoutine ? UnpackRoutine(packed)
                         : ((packed & 0xFFFF) << m_packShift) + m_stringBase;
    }
    /// The complete Z-machine keeps packed address 0 at 0 also where routines are offset
    /// (versions 6 and 7), so that a call to it does nothing, as a call to 0 should.
    int32_t UnpackRoutine(int32_t packed) const {
        packed &= 0xFFFF;
        return (packed << m_packShift) + (packed != 0 || !m_standard ? m_routineBase : 0);
    }
    /// An instruction's address as messages give it (in hexadecimal, as the trace does).
    static std::string AddressText(int32_t address);
    bool PerformVerify() const;

    /// The value of an operand: a constant, or variable `value` (0 the stack top, popped
    /// unless keep). Signed -32768..32767, or 0..65535 when isUnsigned.
    [[gnu::always_inline]] int32_t ReadOperand(int operandType, int32_t value, bool keep,
                                               bool isUnsigned) {
        int32_t raw = operandType == kVariable ? ReadVariable(value & 0xFF, keep) : value;
        raw &= 0xFFFF;
        return isUnsigned ? raw : static_cast<int16_t>(raw);
    }
    /// Stores the low 16 bits of value into a variable; variable 0 pushes, or replaces the top
    /// of the stack when inPlace.
    [[gnu::always_inline]] void WriteVariable(int variable, int32_t value, bool inPlace) {
        variable &= 0xFF;
        if (variable >= 16) {
            if (uint8_t* globals = m_cache.WritableGlobals()) [[likely]] {
                uint8_t* p = globals + 2 * (variable - 16);
                p[0] = static_cast<uint8_t>(value >> 8);
                p[1] = static_cast<uint8_t>(value);
                return;
            }
        } else if (variable > 0) {
            m_frame->Locals[static_cast<size_t>(variable)] = value & 0xFFFF;
            return;
        } else if (!inPlace && m_stackPointer < kStackSize) {
            m_stack[static_cast<size_t>(++m_stackPointer)] = value & 0xFFFF;
            return;
        }
        WriteVariableSlow(variable, value, inPlace);
    }
    int32_t Global(int variable) const;
    void SetGlobal(int variable, int32_t value);

    void PerformCall(int32_t routine, int32_t returnAddress, int storeVar, int argumentCount,
                     const int32_t* arguments);
    void PerformReturn(int32_t returnValue);

    int32_t StackPointer() const { return m_stackPointer; }
    int32_t StackValue(int index) const { return m_stack[static_cast<size_t>(index)]; }
    int FrameIndex() const { return m_frameIndex; }
    const zRoutine& CurrentRoutine() const { return *m_frame; }

    // ---- Subsystems -------------------------------------------------------------------------
    Host& GetHost() { return m_host; }
    ZText& Text() { return m_text; }
    OutputStreams& Streams() { return m_streams; }
    ObjectTable& Objects() { return m_objects; }
    zDictionary& Dictionary() {
        m_dictionary.LoadPending(m_story);
        return m_dictionary;
    }
    zScreen& Screen() { return m_screen; }
    Keyboard& Keys() { return m_keyboard; }
    const CharMap& Chars() const { return m_chars; }

    /// Sends text to the active output streams.
    void PrintText(std::string_view text) {
        if (m_standard) [[unlikely]]
            return PrintStandard(text);
        m_streams.PrintText(text);
    }
    /// Redraws the status line of versions 1 to 3 from the location and two globals.
    void DrawStatusLine();
    /// Reads a line into the text buffer, echoed, and tokenises it into the parse buffer.
    /// Returns what ended it: 13 for Enter, a key of the story's terminating characters, or 0
    /// when a timer ended it; what was typed is stored all the same.
    int PerformRead(int32_t textOffset, int32_t parseOffset,
                    const Keyboard::Timer* timer = nullptr);
    /// RESTART: reloads the story and starts it again without leaving the run loop.
    void Restart();

  private:
    friend struct OpcodeTable;
    friend struct Version6Ops;

    // ---- Opcode handlers (one per opcode; the opcode table names them) ----------------------
    // Those that take operand values after the instruction are given them fetched, in operand
    // order; the others read their own operands with Arg.
    // Arithmetic, logic, comparisons and branches.
    void OpAdd(const Predecoded&, Signed a, Signed b);
    void OpSub(const Predecoded&, Signed a, Signed b);
    void OpMul(const Predecoded&, Signed a, Signed b);
    void OpDiv(const Predecoded&, Signed a, Signed b);
    void OpMod(const Predecoded&, Signed a, Signed b);
    void OpOr(const Predecoded&, Unsigned a, Unsigned b);
    void OpAnd(const Predecoded&, Unsigned a, Unsigned b);
    void OpNot(const Predecoded&, Unsigned a);
    void OpJz(const Predecoded&, Signed a);
    void OpJe(const Predecoded&, Signed a, Signed b, Signed c);
    void OpJl(const Predecoded&, Signed a, Signed b);
    void OpJg(const Predecoded&, Signed a, Signed b);
    void OpTest(const Predecoded&, Signed bitmap, Signed flags);
    void OpIncChk(const Predecoded&, NamedVariable variable);
    void OpDecChk(const Predecoded&, NamedVariable variable);
    void OpInc(const Predecoded&, NamedVariable variable);
    void OpDec(const Predecoded&, NamedVariable variable);
    void OpLoad(const Predecoded&, NamedVariable variable);
    void OpStore(const Predecoded&, NamedVariable variable, Unsigned value);
    void OpCheckArgCount(const Predecoded&, Signed count);
    void OpLogShift(const Predecoded&, Signed number, Signed places);
    void OpArtShift(const Predecoded&, Signed number, Signed places);
    void OpRandom(const Predecoded&, Signed range);

    // Memory, tables, stack, calls and returns.
    void OpLoadw(const Predecoded&, Unsigned table, Unsigned index);
    void OpLoadb(const Predecoded&, Unsigned table, Unsigned index);
    void OpStorew(const Predecoded&, Unsigned table, Unsigned index, Signed value);
    void OpStoreb(const Predecoded&, Unsigned table, Unsigned index, Signed value);
    void OpPush(const Predecoded&, Signed value);
    void OpPull(const Predecoded&, NamedVariable variable);
    void OpPullStore(const Predecoded&); ///< version 6: into the result variable
    void OpPop(const Predecoded&);
    void OpRetPopped(const Predecoded&);
    void OpRtrue(const Predecoded&);
    void OpRfalse(const Predecoded&);
    void OpRet(const Predecoded&, Signed value);
    void OpJump(const Predecoded&, Signed offset);
    /// CALL_1S, CALL_2S, CALL_VS, CALL_VS2
    void OpCallStore(const Predecoded&, Unsigned routine, Signed a1, Signed a2);
    /// CALL_1N, CALL_2N, CALL_VN, CALL_VN2
    void OpCallDiscard(const Predecoded&, Unsigned routine, Signed a1, Signed a2);
    void OpScanTable(const Predecoded&, Unsigned x, Unsigned table, Signed length);
    void OpCopyTable(const Predecoded&, Unsigned first, Unsigned second, Signed size);

    // Text.
    void OpPrintLit(const Predecoded&);
    void OpPrintRet(const Predecoded&);
    void OpNewLine(const Predecoded&);
    void OpPrintAddr(const Predecoded&, Unsigned address);
    void OpPrintPaddr(const Predecoded&, Unsigned packed);
    void OpPrintObj(const Predecoded&, Unsigned object);
    void OpPrintChar(const Predecoded&, Signed code);
    void OpPrintNum(const Predecoded&, Signed number);
    void OpOutputStream(const Predecoded&);
    void OpPrintUnicode(const Predecoded&);
    void OpCheckUnicode(const Predecoded&);

    // Objects.
    void OpGetSibling(const Predecoded&, Unsigned object);
    void OpGetChild(const Predecoded&, Unsigned object);
    void OpGetParent(const Predecoded&, Unsigned object);
    void OpGetPropLen(const Predecoded&, Unsigned address);
    void OpRemoveObj(const Predecoded&, Unsigned object);
    void OpInsertObj(const Predecoded&, Unsigned object, Unsigned destination);
    void OpJin(const Predecoded&, Unsigned object, Unsigned parent);
    void OpTestAttr(const Predecoded&, Unsigned object, Unsigned attribute);
    void OpSetAttr(const Predecoded&, Unsigned object, Unsigned attribute);
    void OpClearAttr(const Predecoded&, Unsigned object, Unsigned attribute);
    void OpGetProp(const Predecoded&, Unsigned object, Unsigned property);
    void OpGetPropAddr(const Predecoded&, Unsigned object, Unsigned property);
    void OpGetNextProp(const Predecoded&, Unsigned object, Unsigned property);
    void OpPutProp(const Predecoded&, Unsigned object, Unsigned property, Signed value);

    // Screen.
    void OpShowStatus(const Predecoded&);
    void OpSetColour(const Predecoded&);
    void OpSetTrueColour(const Predecoded&);
    void OpSplitWindow(const Predecoded&);
    void OpSetWindow(const Predecoded&);
    void OpEraseWindow(const Predecoded&);
    void OpEraseLine(const Predecoded&);
    void OpSetCursor(const Predecoded&);
    void OpGetCursor(const Predecoded&);
    void OpSetTextStyle(const Predecoded&);
    void OpBufferMode(const Predecoded&);
    void OpSoundEffect(const Predecoded&);
    void OpSetFont(const Predecoded&);

    // Input.
    void OpRead(const Predecoded&);
    void OpReadChar(const Predecoded&);
    void OpTokenise(const Predecoded&);

    // Control and refusals.
    void OpNop(const Predecoded&);
    void OpSave(const Predecoded&);
    void OpRestore(const Predecoded&);
    void OpRestart(const Predecoded&);
    void OpQuit(const Predecoded&);
    void OpVerify(const Predecoded&);
    void OpPiracy(const Predecoded&);
    void OpSaveUndo(const Predecoded&);
    void OpRestoreUndo(const Predecoded&);
    void OpSaveExt(const Predecoded&); ///< EXT SAVE and RESTORE
    void OpThrow(const Predecoded&);
    void OpInputStream(const Predecoded&);
    void OpEncodeText(const Predecoded&);
    void OpPrintTable(const Predecoded&);
    void OpUnknown(const Predecoded&);
    void OpExtRefused(const Predecoded&);

    // ---- What the handlers share -------------------------------------------------------------
    /// Operand i of the instruction, read with the usual conventions (the stack pops).
    [[gnu::always_inline]] int32_t Arg(const Predecoded& in, int i, bool isUnsigned) {
        if (i > 4) [[unlikely]]
            return WideArg(in, i, isUnsigned);
        return ReadOperand(in.Kind(i), in.Operand[static_cast<size_t>(i - 1)], false, isUnsigned);
    }
    int32_t WideArg(const Predecoded& in, int i, bool isUnsigned);
    /// The 16-bit pattern of operand index (0-based) of an instruction, read as its form says;
    /// handlers made for a form get it without asking.
    template <OperandForm Form>
    [[gnu::always_inline]] int32_t Fetch(const Predecoded& in, int index) {
        const int32_t operand = in.Operand[static_cast<size_t>(index & 3)];
        if constexpr (Form == kFormConstant) {
            return operand;
        } else if constexpr (Form == kFormLocal) {
            return m_frame->Locals[static_cast<size_t>(operand & 15)];
        } else if constexpr (Form == kFormStack) {
            // The handler has made sure that the routine has the values (see OpcodeTable).
            return m_stack[static_cast<size_t>(m_stackPointer--)];
        } else if constexpr (Form == kFormGlobal) {
            // Made only while the table lies whole in the image (see UpdateGlobals).
            const uint8_t* p = m_globals + 2 * (operand - 16);
            return (p[0] << 8) | p[1];
        } else {
            return Arg(in, index + 1, true);
        }
    }
    /// Pops the stack (a pop below the current routine's part is reported and reads in place).
    [[gnu::always_inline]] int32_t Pop() {
        if (m_frame->FramePointer >= m_stackPointer) [[unlikely]]
            return PopStack(false);
        return m_stack[static_cast<size_t>(m_stackPointer--)];
    }
    /// Goes on with the next instruction. Handlers do this before their last step where they
    /// can, so that a call that step makes (a slow path) ends the handler.
    void Next(const Predecoded& in) { m_pc = in.NextInstr(); }
    void Branch(bool condition, const Predecoded& in) {
        if (condition == in.BranchCond()) {
            if (in.Branch > 1)
                m_pc = in.Branch;
            else
                PerformReturn(in.Branch);
        } else {
            m_pc = in.NextInstr();
        }
    }
    /// Variable 0..255, unmasked: globals through the cached table, locals of the current
    /// frame, the stack (popped unless keep).
    [[gnu::always_inline]] int32_t ReadVariable(int variable, bool keep) {
        if (variable >= 16) {
            if (m_globals) [[likely]] {
                const uint8_t* p = m_globals + 2 * (variable - 16);
                return (p[0] << 8) | p[1];
            }
            return Global(variable);
        }
        if (variable > 0)
            return m_frame->Locals[static_cast<size_t>(variable)];
        if (keep)
            return m_stack[static_cast<size_t>(m_stackPointer)];
        if (m_frame->FramePointer >= m_stackPointer) [[unlikely]]
            return PopStack(false);
        return m_stack[static_cast<size_t>(m_stackPointer--)];
    }
    int32_t PopStack(bool keep);
    void WriteVariableSlow(int variable, int32_t value, bool inPlace);
    /// Points the global fast paths at the table in header word 0x0C, when it lies whole in
    /// the image (writes go there directly only while it holds no cached code).
    void UpdateGlobals();
    /// Between instructions: drops kept code that the story wrote into, and what depends on
    /// the header.
    void RefreshCode();
    /// Runs one instruction; Tracing writes its trace line.
    template <bool Tracing> void Execute();
    /// Runs instructions until a stop. Never inlined, so that its few hot values stay in
    /// registers whatever the function that calls it holds.
    template <bool Tracing> [[gnu::noinline]] GameOutcome::Kind Loop();
    /// Keeps the address of the instruction during which an exception left the run, unless an
    /// instruction run inside it has kept its own.
    void PlaceFault(int32_t address);
    /// Ends the run after the instruction running.
    void Stop(GameOutcome::Kind kind);
    void StoreResult(const Predecoded& in, int32_t value) { WriteVariable(in.Store, value, false); }
    /// The result, and the branch: the branch is taken first (unless it returns from the
    /// routine, which must come after the result), so that the store is the last step.
    void StoreAndBranch(const Predecoded& in, int32_t value, bool condition) {
        if (condition == in.BranchCond() && in.Branch <= 1) [[unlikely]] {
            StoreResult(in, value);
            return PerformReturn(in.Branch);
        }
        m_pc = condition == in.BranchCond() ? in.Branch : in.NextInstr();
        StoreResult(in, value);
    }
    /// The result, and the next instruction: set first, so that a store that takes the slow way
    /// is the handler's last step.
    void StoreAndNext(const Predecoded& in, int32_t value) {
        Next(in);
        StoreResult(in, value);
    }
    /// The keys besides Enter that end a line read: the story's terminating characters (header
    /// word 0x2E, versions 5 and later) under the complete Z-machine, none otherwise.
    std::vector<int> TerminatingKeys() const;
    /// Shows a refusal message; a refused opcode that carries a store stores 0 and does not branch.
    void Refuse(const Predecoded& in, const std::string& message);
    /// The messages and the question a story's faults and missing features bring up, which go
    /// on: held back when repeated too often (see RepeatedMessages).
    void StoryMessage(const std::string& text, MessageIcon icon);
    bool StoryQuestion(const std::string& text);
    /// A key or line was read for the story.
    void InputRead();

    void PerformSave();
    void PerformRestore();
    /// Dynamic memory's size: up to the static base, within the file.
    size_t DynamicSize() const;
    /// The state as a saved game, resuming at pc (the SAVE's branch data or store byte).
    MachineState CaptureState(int32_t pc) const;
    /// Puts a saved state back and goes on after its SAVE as a successful restore.
    void ApplyState(const MachineState& state);
    /// Puts a saved state's memory, stack and frames back; the PC is the caller's.
    void PutState(const MachineState& state);
    // Autosaves (the complete Z-machine, with a folder to keep them in).
    /// A READ or READ_CHAR at pc is about to take its operands: the game as it stands is the
    /// one to keep, with the screen's text.
    void MarkInputBoundary(int32_t pc);
    std::string AutosaveFile() const;
    /// Writes the game kept at the last input; a failure is reported to the player.
    void WriteAutosave();
    /// After the start: offers to go on from the story's autosave, and does so on Yes.
    void OfferResume();
    /// The story's file name with another extension: what a file question suggests.
    std::string DefaultFileName(const std::string& extension) const;
    /// Asks for a file and saves into it (true) or restores from it (true, the game goes on
    /// from the save); a failure has been reported to the player.
    bool SaveGame(int32_t pc);
    bool RestoreGame();
    /// Whether a saved game may go on at pc: just after the opcode of a SAVE of this story.
    bool IsSavePoint(int32_t pc);
    /// What the input instruction at pc waits for, if a saved game may go on there by running
    /// it again (a READ or READ_CHAR in the story's code): a game kept while it waited for
    /// input (an autosave, a program's snapshot). Nothing otherwise.
    Awaiting InputAt(int32_t pc);
    /// Puts a saved game read from a file back, at its SAVE or at its input instruction;
    /// false when it goes on at neither.
    bool ApplySavedGame(const MachineState& state);
    /// A program drives the game and the keyboard lacks what an input instruction waits for:
    /// the run stops before it (true).
    bool StopsForInput(Awaiting awaited);
    /// The files no file the player names may replace: the story being played.
    std::span<const FileIdentity> ProtectedFiles() const {
        return m_storyIdentity ? std::span<const FileIdentity>(&*m_storyIdentity, 1)
                               : std::span<const FileIdentity>();
    }
    /// The file of a table kept by EXT SAVE and RESTORE: the story's name at `name` (length
    /// byte first) when it gives a plain one, else (or when prompt is set) the player's.
    std::optional<std::string> DataFileName(int32_t name, bool prompt, FileUse use);
    /// Keeps bytes of memory from table in a file: 1 on success, 0 on failure.
    int32_t SaveTable(int32_t table, int32_t bytes, int32_t name, bool prompt);
    /// Reads at most bytes into table: the count read, 0 on failure.
    int32_t RestoreTable(int32_t table, int32_t bytes, int32_t name, bool prompt);
    /// Makes the frame of the routine at byte address routine (not 0) and goes to its first
    /// instruction. The locals are 0, or in versions 1 to 4 the routine's own values; the
    /// caller puts the arguments in.
    zRoutine& PushFrame(int32_t routine, int32_t returnAddress, int storeVar, int count);
    void CallNothing(int32_t returnAddress, int storeVar);
    void Call(const Predecoded& in, int storeVar, int32_t routine, int32_t a1, int32_t a2);
    void CallWithMore(const Predecoded& in, int storeVar, int32_t routine, int32_t a1, int32_t a2);
    // Timed input (the complete Z-machine, versions 4 and later).
    /// Whether READ or READ_CHAR waits with a timer: timed input, or sounds with routines.
    bool IsTimed(int32_t time, int32_t routine) const;
    /// READ and READ_CHAR whose routine runs every time/10 seconds while they wait.
    void TimedRead(const Predecoded& in, int32_t text, int32_t parse, int32_t time,
                   int32_t routine);
    void TimedReadChar(const Predecoded& in, int32_t time, int32_t routine);
    /// Flags 1 bit 7, when timed input is provided.
    int TimedInputFlag() const;
    Keyboard::Timer MakeTimer(int32_t time, int32_t routine);
    /// Calls the routine of a sound that has ended, as an interrupt before the next instruction.
    void CallSoundRoutine();
    /// Runs a story routine to its return from inside a wait and gives its result. Throws
    /// WaitAbandoned when the routine left the waiting instruction behind instead (it quit,
    /// restarted, restored or threw past it).
    int32_t CallFromWait(int32_t routine);
    // The streams that reach the player's files (complete Z-machine only).
    bool IsStoryFile(const std::string& path) const;
    /// Asks for a file to write; nothing when none was given or it is the story file itself.
    std::optional<std::string> AskFileToWrite(FileUse use, const std::string& suggested);
    void SetTranscriptBit(bool on);
    /// OUTPUT_STREAM 2, -2, 4 and -4: a stream to a file is on only while its file is open.
    void SelectFileStream(int number);
    /// Starts or stops the transcript when the story has set or cleared Flags 2 bit 0.
    void FollowTranscriptBit();
    /// PrintText of the complete Z-machine: the transcript bit followed, and in version 6 the
    /// text copied first (a newline interrupt runs story code while it is printed).
    void PrintStandard(std::string_view text);
    /// After a start, RESTART, restore or undo: the open files' streams go on.
    void ResumeFileStreams();
    void WriteTranscript(std::string_view text);
    void TranscriptFailed();
    /// Types the next command of the file played back, if any (at its end the file closes).
    void PlayCommand();
    /// A command line read: to the transcript and the record of commands.
    void KeepCommand(std::string_view typed);
    void SelectInputStream(const Predecoded& in);
    /// Writes screen text through stream 1 with the "[**MORE**]" wait.
    void WriteToScreen(std::string_view text);
    std::string StateText() const;
    void WriteHeaderBytes();
    /// The screen's size in the header again (after a resize), and the status line of a
    /// command being read drawn again at the new width.
    void WriteScreenSize();
    /// What game start and RESTART share: header bytes, buffering, split, streams, keyboard,
    /// objects, and an empty stack in a single frame.
    void ResetForStart();

    Host& m_host;
    Surface& m_surface;

    StoryImage m_story;
    StoryImage m_pristineStory; ///< the image as loaded, for RESTART and VERIFY
    std::string m_storyPath;
    std::optional<FileIdentity> m_storyIdentity; ///< of the story file, which is never written
    int m_version = 0;
    // Packed addresses: shifted left, plus the routine or string base (versions 6 and 7).
    int m_packShift = 0;
    int32_t m_routineBase = 0;
    int32_t m_stringBase = 0;
    int32_t m_pc = 0;

    std::array<int32_t, kStackSize + 1> m_stack{};
    int32_t m_stackPointer = 0;
    std::array<zRoutine, kMaxFrameIndex + 1> m_frames{};
    int m_frameIndex = 0;
    zRoutine* m_frame = &m_frames[0]; ///< the current frame, m_frames[m_frameIndex]

    ZText m_text;
    CharMap m_chars;
    OutputStreams m_streams;
    StreamFiles m_files; ///< the files of streams 2 and 4 and of input stream 1
    ObjectTable m_objects;
    zDictionary m_dictionary;
    zScreen m_screen;
    Keyboard m_keyboard;
    StorySound m_sound;
    Pager m_pager;
    Random m_random;
    Trace m_trace;
    RepeatedMessages m_messages;

    std::string m_tracePath;
    std::function<void(std::string_view)> m_transcript;
    std::string m_transcriptText; ///< what m_transcript is given, kept from text to text

    InstructionCache m_cache{m_story, m_text};
    uint8_t* m_globals = nullptr;     ///< the globals table, when it lies whole in the image
    int32_t m_instructionAddress = 0; ///< of the instruction that faulted, for its message
    bool m_faultPlaced = false;       ///< m_instructionAddress is set for this game
    /// Also times the front-end's breaths. Counted at the end of each stretch of instructions
    /// (see Loop), and as they run by Step.
    uint64_t m_instructionCount = 0;
    zInstruction m_traced;           ///< the record the trace shows
    std::string m_decoded;           ///< text the print opcodes decode, kept to be reused
    bool m_standard = false;         ///< the complete Z-machine was asked for
    uint64_t m_screenWrites = 0;     ///< texts written to the screen, to see if a tick printed
    uint64_t m_stateChanges = 0;     ///< restarts and restored states, to see if a tick did one
    std::deque<MachineState> m_undo; ///< the states SAVE_UNDO kept, newest last
    std::string m_autosaveFolder;
    /// The game at its last READ or READ_CHAR, and the screen then, while autosaves are kept.
    struct InputBoundary {
        MachineState State;
        ScreenSnapshot Screen;
    };
    std::optional<InputBoundary> m_boundary;
    bool m_resumed = false; ///< this game went on from its autosave
    bool m_playedOn = false; ///< an input was taken since the game started or went on
    /// This game's hold on its autosave; without one (another game holds it, the folder is
    /// not one) the game is not kept.
    std::unique_ptr<AutosaveHold> m_autosaveHold;
    bool m_gameInProgress = false;
    int m_tickDepth = 0;               ///< timed-input routines running inside a wait
    bool m_stop = false;               ///< set by QUIT and the refused EXT question
    StoryImage::Countdown m_countdown; ///< instructions left in the stretch running (see Loop)
    bool m_skipTrace = false;          ///< the refused EXT opcode writes no trace line
    bool m_programDriven = false;
    Awaiting m_awaiting = Awaiting::Nothing; ///< while stopped for input
    bool m_echoHidden = false; ///< the line break after a typed line misses the transcript sink
    GameOutcome::Kind m_stopKind = GameOutcome::Kind::Quit;
};

} // namespace lantern
