#pragma once

#include "diagnostics/Trace.h"
#include "dictionary/Keyboard.h"
#include "dictionary/zDictionary.h"
#include "machine/Random.h"
#include "machine/zInstruction.h"
#include "machine/zRoutine.h"
#include "memory/StoryImage.h"
#include "objects/ObjectTable.h"
#include "platform/Host.h"
#include "platform/Surface.h"
#include "screen/Pager.h"
#include "screen/zScreen.h"
#include "text/CharMap.h"
#include "text/OutputStreams.h"
#include "text/ZText.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lantern {

/// Evaluation stack slots (slot 0 is never pushed to) and routine frames above the first.
inline constexpr int kStackSize = 1024;
inline constexpr int kMaxFrameIndex = 90;

/// The interpreter number and version written to the header (versions 4 and later): 6, the
/// IBM PC, whose conventions suit a modern computer best, and version "A".
inline constexpr int kInterpreterNumber = 6;
inline constexpr int kInterpreterVersion = 'A';

/// How a game ended.
struct GameOutcome {
    enum class Kind {
        Quit,       ///< the story quit (or returned from its first routine)
        Stopped,    ///< the front-end ended it: window closed, input ran out, No to a question
        LoadFailed, ///< the story file could not be loaded
        Fault,      ///< the story did something impossible; message says what and where
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
    /// Whether a full lower window waits for a key at "[**MORE**]" (off for scripted input).
    void SetPagingWait(bool wait);
    /// Receives the text printed to the lower window, in order, as UTF-8 (scripted console
    /// output).
    void SetTranscript(std::function<void(std::string_view)> sink) {
        m_transcript = std::move(sink);
    }

    // ---- The game driver --------------------------------------------------------------------
    /// Lays the screen model out on a display of width x height pixels and erases it.
    void PrepareScreen(int width, int height);
    /// Plays one whole game of the story file: load, start, run until it ends. Faults and load
    /// failures are shown through the host and reported in the outcome; nothing escapes.
    GameOutcome RunGame(const std::string& storyPath);

    /// Loads a story file (throws LoadError) or an image built in memory, and sets up the
    /// version rules, alphabets, dictionary and abbreviations.
    void LoadStory(const std::string& path);
    void LoadStory(StoryImage image);
    /// Writes the interpreter's header bytes and sets up streams, frames and PC for the start.
    void StartGame();
    /// Runs instructions until the game ends; faults propagate as StoryError.
    GameOutcome::Kind RunLoop();
    /// Decodes and runs one instruction; false when the run must stop.
    bool Step();
    /// Why the run stopped, once Step has returned false.
    GameOutcome::Kind StopKind() const { return m_stopKind; }
    /// Executes one decoded instruction; returns the continue code (1 go on, 0 stop).
    int RunInstruction(const zInstruction& instruction);

    // ---- Machine state and its operations ---------------------------------------------------
    int Version() const { return m_version; }
    int32_t PC() const { return m_pc; }
    void SetPC(int32_t pc) { m_pc = pc; }
    StoryImage& Story() { return m_story; }
    const StoryImage& Story() const { return m_story; }

    int32_t UnpackAddress(int32_t packed, bool isRoutine) const;
    bool PerformVerify() const;

    /// The value of an operand: a constant, or variable `value` (0 the stack top, popped
    /// unless keep). Signed -32768..32767, or 0..65535 when isUnsigned.
    int32_t ReadOperand(int operandType, int32_t value, bool keep, bool isUnsigned);
    /// Stores the low 16 bits of value into a variable; variable 0 pushes, or replaces the top
    /// of the stack when inPlace.
    void WriteVariable(int variable, int32_t value, bool inPlace);
    int32_t Global(int variable) const;
    void SetGlobal(int variable, int32_t value);

    void PerformCall(int32_t routine, int32_t returnAddress, int storeVar, int argumentCount,
                     const int32_t* arguments);
    void PerformReturn(int32_t returnValue);
    void Branch(bool condition, const zInstruction& instruction);

    int32_t StackPointer() const { return m_stackPointer; }
    int32_t StackValue(int index) const { return m_stack[static_cast<size_t>(index)]; }
    int FrameIndex() const { return m_frameIndex; }
    const zRoutine& CurrentRoutine() const { return m_frames[static_cast<size_t>(m_frameIndex)]; }

    // ---- Subsystems -------------------------------------------------------------------------
    Host& GetHost() { return m_host; }
    ZText& Text() { return m_text; }
    OutputStreams& Streams() { return m_streams; }
    ObjectTable& Objects() { return m_objects; }
    zDictionary& Dictionary() { return m_dictionary; }
    zScreen& Screen() { return m_screen; }
    Keyboard& Keys() { return m_keyboard; }
    const CharMap& Chars() const { return m_chars; }

    /// Sends text to the active output stream.
    void PrintText(std::string_view text) { m_streams.PrintText(text); }
    /// Redraws the status line of versions 1 to 3 from the location and two globals.
    void DrawStatusLine();
    /// Reads a line into the text buffer, echoed, and tokenises it into the parse buffer.
    void PerformRead(int32_t textOffset, int32_t parseOffset);
    /// RESTART: reloads the story and starts it again without leaving the run loop.
    void Restart();

    // ---- Opcode handlers (one per opcode; the opcode table names them) ----------------------
    using Handler = void (zMachine::*)(const zInstruction&);

    // Arithmetic, logic, comparisons and branches.
    void OpAdd(const zInstruction&);
    void OpSub(const zInstruction&);
    void OpMul(const zInstruction&);
    void OpDiv(const zInstruction&);
    void OpMod(const zInstruction&);
    void OpOr(const zInstruction&);
    void OpAnd(const zInstruction&);
    void OpNot(const zInstruction&);
    void OpJz(const zInstruction&);
    void OpJe(const zInstruction&);
    void OpJl(const zInstruction&);
    void OpJg(const zInstruction&);
    void OpTest(const zInstruction&);
    void OpIncChk(const zInstruction&);
    void OpDecChk(const zInstruction&);
    void OpInc(const zInstruction&);
    void OpDec(const zInstruction&);
    void OpLoad(const zInstruction&);
    void OpStore(const zInstruction&);
    void OpCheckArgCount(const zInstruction&);
    void OpLogShift(const zInstruction&);
    void OpArtShift(const zInstruction&);
    void OpRandom(const zInstruction&);

    // Memory, tables, stack, calls and returns.
    void OpLoadw(const zInstruction&);
    void OpLoadb(const zInstruction&);
    void OpStorew(const zInstruction&);
    void OpStoreb(const zInstruction&);
    void OpPush(const zInstruction&);
    void OpPull(const zInstruction&);
    void OpPop(const zInstruction&);
    void OpRetPopped(const zInstruction&);
    void OpRtrue(const zInstruction&);
    void OpRfalse(const zInstruction&);
    void OpRet(const zInstruction&);
    void OpJump(const zInstruction&);
    void OpCallStore(const zInstruction&);   ///< CALL_1S, CALL_2S, CALL_VS, CALL_VS2
    void OpCallDiscard(const zInstruction&); ///< CALL_1N, CALL_2N, CALL_VN, CALL_VN2
    void OpScanTable(const zInstruction&);
    void OpCopyTable(const zInstruction&);

    // Text.
    void OpPrintLit(const zInstruction&);
    void OpPrintRet(const zInstruction&);
    void OpNewLine(const zInstruction&);
    void OpPrintAddr(const zInstruction&);
    void OpPrintPaddr(const zInstruction&);
    void OpPrintObj(const zInstruction&);
    void OpPrintChar(const zInstruction&);
    void OpPrintNum(const zInstruction&);
    void OpOutputStream(const zInstruction&);

    // Objects.
    void OpGetSibling(const zInstruction&);
    void OpGetChild(const zInstruction&);
    void OpGetParent(const zInstruction&);
    void OpGetPropLen(const zInstruction&);
    void OpRemoveObj(const zInstruction&);
    void OpInsertObj(const zInstruction&);
    void OpJin(const zInstruction&);
    void OpTestAttr(const zInstruction&);
    void OpSetAttr(const zInstruction&);
    void OpClearAttr(const zInstruction&);
    void OpGetProp(const zInstruction&);
    void OpGetPropAddr(const zInstruction&);
    void OpGetNextProp(const zInstruction&);
    void OpPutProp(const zInstruction&);

    // Screen.
    void OpShowStatus(const zInstruction&);
    void OpSetColour(const zInstruction&);
    void OpSplitWindow(const zInstruction&);
    void OpSetWindow(const zInstruction&);
    void OpEraseWindow(const zInstruction&);
    void OpEraseLine(const zInstruction&);
    void OpSetCursor(const zInstruction&);
    void OpGetCursor(const zInstruction&);
    void OpSetTextStyle(const zInstruction&);
    void OpBufferMode(const zInstruction&);
    void OpSoundEffect(const zInstruction&);

    // Input.
    void OpRead(const zInstruction&);
    void OpReadChar(const zInstruction&);
    void OpTokenise(const zInstruction&);

    // Control and refusals.
    void OpNop(const zInstruction&);
    void OpSave(const zInstruction&);
    void OpRestore(const zInstruction&);
    void OpRestart(const zInstruction&);
    void OpQuit(const zInstruction&);
    void OpVerify(const zInstruction&);
    void OpPiracy(const zInstruction&);
    void OpSaveUndo(const zInstruction&);
    void OpThrow(const zInstruction&);
    void OpInputStream(const zInstruction&);
    void OpEncodeText(const zInstruction&);
    void OpPrintTable(const zInstruction&);
    void OpUnknown(const zInstruction&);
    void OpExtRefused(const zInstruction&);

  private:
    /// Operand i of the instruction, read with the usual conventions (the stack pops).
    int32_t Arg(const zInstruction& in, int i, bool isUnsigned) {
        return ReadOperand(in.OperandType[i], in.Operand[i], false, isUnsigned);
    }
    void Next(const zInstruction& in) { m_pc = in.NextInstr; }
    /// The variable named by the first operand of INC, DEC, LOAD, STORE, INC_CHK, DEC_CHK and
    /// PULL.
    int VariableOperand(const zInstruction& in);
    void StoreResult(const zInstruction& in, int32_t value) {
        WriteVariable(in.Store, value, false);
    }
    /// Shows a refusal message; a refused opcode that carries a store stores 0 and does not branch.
    void Refuse(const zInstruction& in, const std::string& message);
    void PerformSave();
    void PerformRestore();
    void Call(const zInstruction& in, int storeVar);
    /// Writes screen text through stream 1 with the "[**MORE**]" wait.
    void WriteToScreen(std::string_view text);
    std::string StateText() const;
    void WriteHeaderBytes();
    /// What game start and RESTART share: header bytes, buffering, split, streams, keyboard,
    /// objects, and an empty stack in a single frame.
    void ResetForStart();

    Host& m_host;
    Surface& m_surface;

    StoryImage m_story;
    StoryImage m_pristineStory; ///< the image as loaded, for RESTART and VERIFY
    std::string m_storyPath;
    int m_version = 0;
    int32_t m_routineOffset = 0;
    int32_t m_stringOffset = 0;
    int32_t m_pc = 0;

    std::array<int32_t, kStackSize + 1> m_stack{};
    int32_t m_stackPointer = 0;
    std::array<zRoutine, kMaxFrameIndex + 1> m_frames{};
    int m_frameIndex = 0;

    ZText m_text;
    CharMap m_chars;
    OutputStreams m_streams;
    ObjectTable m_objects;
    zDictionary m_dictionary;
    zScreen m_screen;
    Keyboard m_keyboard;
    Pager m_pager;
    Random m_random;
    Trace m_trace;

    std::string m_tracePath;
    std::function<void(std::string_view)> m_transcript;

    zInstruction m_instruction; ///< reused by Step so that decoding allocates nothing
    bool m_stop = false;        ///< set by QUIT and the refused EXT question
    bool m_skipTrace = false;   ///< the refused EXT opcode writes no trace line
    GameOutcome::Kind m_stopKind = GameOutcome::Kind::Quit;
    uint32_t m_eventCountdown = 0;
};

} // namespace lantern
