#include "machine/zMachine.h"

#include "machine/OpcodeTable.h"
#include "machine/Version6.h"
#include "memory/StoryError.h"
#include "screen/StatusLine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace lantern {

namespace {

// The run loop lets a busy story's front-end breathe this often (instructions).
constexpr uint32_t kEventInterval = 1u << 16;

// Header Flags 1 (versions 4 and later) and Flags 2 bits.
constexpr int kFlags1Colours = 0x01;
constexpr int kFlags1Bold = 0x04;
constexpr int kFlags1Italic = 0x08;
constexpr int kFlags1Fixed = 0x10;
constexpr int kFlags2Undo = 0x10;
// Sounds: Flags 1 bit 5 in version 6; Flags 2 bit 7 from version 5, and bit 4 in version 3 by
// convention (the one version 3 story with sounds sets it).
constexpr int kFlags1Sound = 0x20;
constexpr int kFlags2Sound = 0x80;
constexpr int kFlags2SoundV3 = 0x10;
constexpr int kFlags2Refused = 0x08 | 0x10 | 0x20 | 0x80 | 0x100; // pictures, undo, mouse,
                                                                  // sound, menus

} // namespace

std::string zMachine::AddressText(int32_t address) {
    // Instruction addresses are unsigned.
    const auto unsignedAddress = static_cast<uint32_t>(address);
    return HexString(static_cast<int32_t>(unsignedAddress >> 16)) +
           HexString(static_cast<int32_t>(unsignedAddress & 0xFFFF));
}

namespace {

// The interpreter's header bytes are written only where they change, so that writing them again
// (after a restore) does not look like a write into the header's watched word.
void PutHeaderByte(StoryImage& story, int64_t address, int32_t value) {
    if (story.ReadByte(address) != (value & 0xFF))
        story.WriteByte(address, value);
}

void PutHeaderWord(StoryImage& story, int64_t address, int32_t value) {
    if (story.ReadWord(address, true) != (value & 0xFFFF))
        story.WriteWord(address, value);
}

std::string FaultMessage(const std::string& what, int32_t address) {
    return "Story fault at address " + zMachine::AddressText(address) + ": " + what + ".";
}

} // namespace

zMachine::zMachine(Host& host, Surface& surface, std::optional<uint64_t> randomSeed)
    : m_host(host), m_surface(surface), m_streams(m_story), m_objects(m_story, m_text),
      m_dictionary(m_text), m_screen(surface), m_keyboard(host), m_pager(m_screen),
      m_random(randomSeed) {
    m_streams.SetScreenWriter([this](std::string_view text) { WriteToScreen(text); });
    m_streams.SetTranscriptWriter([this](std::string_view text) { WriteTranscript(text); });
    m_screen.SetCharMap(m_chars);
    m_keyboard.SetCharMap(m_chars);
    m_sound.SetNote([this](const std::string& text) { m_trace.Note(text); });
    m_screen.KeepText(m_standard);
    SetPagingWait(true);
}

void zMachine::SetPagingWait(bool wait) {
    // Keys typed while "[**MORE**]" stands, after the one that goes on, are kept for the input
    // that follows.
    if (wait)
        m_pager.SetWaitForKey([this] {
            m_keyboard.WaitForAnyKey();
            InputRead();
        });
    else
        m_pager.SetWaitForKey(nullptr);
}

// ---- Loading and starting ------------------------------------------------------------------

void zMachine::LoadStory(const std::string& path) {
    LoadStory(ReadStoryFile(path, {.Pictures = m_standard}), path);
}

void zMachine::LoadStory(StoryFile file, const std::string& path) {
    LoadStory(StoryImage(std::move(file.ZCode)));
    // A version 6 story's pictures, drawn by the complete Z-machine.
    m_screen.SetPictures(std::move(file.Pictures));
    m_storyPath = path;
    // No file the player names is ever written over the story, by whatever name.
    m_storyIdentity = IdentifyFile(path);
    m_files.SetProtected(m_storyIdentity ? std::vector{*m_storyIdentity}
                                         : std::vector<FileIdentity>{});
}

void zMachine::LoadStory(StoryImage image) {
    CheckZCode({image.Data(), static_cast<size_t>(image.Size())});
    m_story = std::move(image);
    m_story.SetCodeWriteAlarm(&m_countdown);
    m_pristineStory = m_story;
    m_version = m_story.Version();
    m_text.SetupAlphabets(m_story);
    m_chars.Load(m_story);
    // Packed addresses are 2, 4 or 8 times as large; versions 6 and 7 add 8 times the routine
    // or string offset of the header.
    m_packShift = m_version <= 3 ? 1 : (m_version <= 7 ? 2 : 3);
    const bool offsets = m_version == 6 || m_version == 7;
    m_routineBase = offsets ? 8 * m_story.ReadWord(0x28, true) : 0;
    m_stringBase = offsets ? 8 * m_story.ReadWord(0x2A, true) : 0;
    m_dictionary.LoadDictionaryLater(m_story, m_story.ReadWord(0x08, true));
    m_cache.Reset(m_version);
    UpdateGlobals();
}

void zMachine::UpdateGlobals() {
    const int64_t table = m_story.ReadWord(0x0C, true);
    constexpr int64_t kTableBytes = 2 * 240;
    // A table in the header would change it unseen: it is written through the watch.
    m_globals = m_story.Contains(table, kTableBytes) && table >= kHeaderSize
                    ? m_story.Data() + table
                    : nullptr;
    m_cache.SetGlobals(m_globals, table, table + kTableBytes - 1);
}

void zMachine::PrepareScreen(int width, int height) {
    // Every game starts with the screen of versions 1 to 5; version 6 lays out its own.
    m_screen.LeaveVersion6();
    m_screen.SetSurface(m_surface);
    m_screen.SetScreenHeight(height);
    m_screen.SetScreenWidth(width);
    m_screen.EraseWindow(-1);
}

void zMachine::ResizeScreen(int width, int height) {
    // A version 6 story lays its screen out once, for the size it started on, and keeps that
    // layout: its screen stays, and the front-end shows it larger, smaller or in part.
    if (m_gameInProgress && Version6Ops::Active(*this))
        return;
    // A line being typed is drawn again after the new layout, at its places there.
    m_pager.HideInput();
    m_screen.Resize(width, height);
    if (m_gameInProgress && m_standard)
        WriteScreenSize();
    m_pager.ShowInputAgain();
}

void zMachine::WriteScreenSize() {
    const int columns = std::min(m_screen.ScreenWidth() / m_screen.CharWidth(), 255);
    const int lines = std::min(m_screen.ScreenHeight() / m_screen.CharHeight(), 255);
    m_story.WriteByte(0x21, columns);
    m_story.WriteByte(0x20, lines);
    if (m_version >= 5) {
        m_story.WriteWord(0x22, columns);
        m_story.WriteWord(0x24, lines);
    }
    // A command being read had its status line drawn at its start, at the old width. Drawing
    // it worked then; should a timed routine since have broken it, the next READ says so.
    if (m_version <= 3 && m_keyboard.WaitingForLine()) {
        try {
            DrawStatusLine();
        } catch (const StoryError&) {
        }
    }
}

void zMachine::WriteHeaderBytes() {
    const int charWidth = m_screen.CharWidth() > 0 ? m_screen.CharWidth() : 1;
    const int charHeight = m_screen.CharHeight() > 0 ? m_screen.CharHeight() : 1;
    // Every line of the screen is the story's: the "[**MORE**]" prompt takes the line that
    // the next text would go to.
    const int columns = std::min(m_screen.ScreenWidth() / charWidth, 255);
    const int lines = std::min(m_screen.ScreenHeight() / charHeight, 255);
    PutHeaderByte(m_story, 0x21, columns);
    PutHeaderByte(m_story, 0x20, lines);
    // One unit is one character cell, so the sizes in units agree with lines and columns.
    PutHeaderByte(m_story, 0x27, 1);
    PutHeaderByte(m_story, 0x26, 1);
    if (m_version >= 1 && m_version <= 3) {
        PutHeaderByte(m_story, 0x01, (m_story.ReadByte(0x01) & 0x87) | 0x60);
    } else if (m_version >= 4 && m_version <= 8) {
        // Colours, bold, italic and fixed pitch; no pictures. The complete Z-machine gives timed
        // input, and in version 6 says whether the story's sounds can play.
        PutHeaderByte(m_story, 0x01,
                      kFlags1Colours | kFlags1Bold | kFlags1Italic | kFlags1Fixed |
                          TimedInputFlag() |
                          (m_version == 6 && m_sound.Available() ? kFlags1Sound : 0));
        PutHeaderByte(m_story, 0x1E, m_standard ? kStandardInterpreterNumber : kInterpreterNumber);
        PutHeaderByte(m_story, 0x1F, kInterpreterVersion);
    }
    if (m_version >= 5) {
        PutHeaderWord(m_story, 0x22, columns);
        PutHeaderWord(m_story, 0x24, lines);
        PutHeaderByte(m_story, 0x2C, kStartBackColourNumber);
        PutHeaderByte(m_story, 0x2D, kStartForeColourNumber);
    }
    // Flags 2: the story's requests for pictures, undo, mouse, sound and menus are refused.
    // The complete Z-machine keeps a request for undo (versions 5 and later), and for sound
    // when the story's sounds can play; version 6 grants what it offers below.
    const bool version6 = Version6Ops::Active(*this);
    int refused = version6                       ? 0
                  : m_standard && m_version >= 5 ? kFlags2Refused & ~kFlags2Undo
                                                 : kFlags2Refused;
    if (m_sound.Available())
        refused &= ~(m_version <= 3 ? kFlags2SoundV3 : kFlags2Sound);
    PutHeaderWord(m_story, 0x10, m_story.ReadWord(0x10, true) & ~refused);
    if (m_standard) {
        // The complete machine follows Standard 1.1: of the wishes in Flags 3 (header
        // extension word 4) it grants none (transparency is the only one), and words 5 and 6
        // give the default colours as true colours (black on white).
        PutHeaderByte(m_story, 0x32, 1);
        PutHeaderByte(m_story, 0x33, 1);
        const int64_t extension = m_version >= 5 ? m_story.ReadWord(0x36, true) : 0;
        const int words = extension != 0 && m_story.Contains(extension, 2)
                              ? m_story.ReadWord(extension, true)
                              : 0;
        const std::array<std::pair<int, int>, 3> entries = {{{4, 0}, {5, 0x0000}, {6, 0x7FFF}}};
        for (const auto& entry : entries)
            if (words >= entry.first && m_story.Contains(extension + 2 * entry.first, 2))
                PutHeaderWord(m_story, extension + 2 * entry.first, entry.second);
    }
    if (version6)
        Version6Ops::WriteHeader(*this);
}

void zMachine::ResetForStart() {
    m_stopKind = GameOutcome::Kind::Quit;
    Version6Ops::Start(*this);
    WriteHeaderBytes();
    m_screen.BufferMode(1);
    m_screen.SetFont(0, kFontNormal);
    m_screen.SetFont(1, kFontNormal);
    if (m_version <= 3)
        m_screen.SplitWindow(1);
    m_streams.Reset();
    ResumeFileStreams();
    m_keyboard.Reset();
    m_objects.Reset();
    m_undo.clear();
    // Every start, restarts included, begins with an empty stack in a single frame, however
    // deep a RESTART was called.
    m_stackPointer = 0;
    m_stack[0] = 0;
    m_frameIndex = 0;
    m_frame = &m_frames[0];
    *m_frame = zRoutine{};
}

void zMachine::StartGame() {
    ResetForStart();
    if (m_version == 6) {
        PerformCall(UnpackAddress(m_story.ReadWord(0x06, true), true), 0, -1, 0, nullptr);
        m_frame->EndsGame = true;
    } else {
        m_pc = m_story.ReadWord(0x06, true);
    }
}

void zMachine::Restart() {
    ++m_stateChanges;
    m_sound.StopPlaying();
    m_text.SetDefaultAlphabets();
    PrepareScreen(m_screen.ScreenWidth(), m_screen.ScreenHeight());
    // The pristine image is the file as it was loaded: every change the story made is lost.
    LoadStory(StoryImage(m_pristineStory));
    ResetForStart();
    if (Version6Ops::Active(*this)) {
        // The complete Z-machine starts version 6 again as at first, in its main routine.
        PerformCall(UnpackAddress(m_story.ReadWord(0x06, true), true), 0, -1, 0, nullptr);
        m_frame->EndsGame = true;
        return;
    }
    // Version 6 too continues at the initial PC: a restart calls no main routine.
    m_pc = m_story.ReadWord(0x06, true);
}

// ---- The run loop ------------------------------------------------------------------------

GameOutcome zMachine::RunGame(const std::string& storyPath, std::optional<StoryFile> read) {
    GameOutcome outcome;
    std::error_code removeError;
    m_instructionAddress = 0;
    m_faultPlaced = false;
    m_messages.TakeSummary();
    // A new game recalls none of the last one's commands.
    m_keyboard.LineHistory().Clear();
    try {
        try {
            if (read)
                LoadStory(std::move(*read), storyPath);
            else
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
        if (!m_tracePath.empty())
            if (const auto failed = m_trace.Open(m_tracePath, ProtectedFiles()))
                m_host.ShowMessage("The trace cannot be written. " + *failed, MessageIcon::Error);
        // The complete Z-machine plays the story's sounds, when the front-end can.
        m_sound.SetDevice(m_standard ? m_host.Sound() : nullptr);
        if (m_standard)
            m_sound.Begin(storyPath,
                          IdentifyZCode({m_pristineStory.Data(),
                                         static_cast<size_t>(m_pristineStory.Size())}),
                          m_version);
        StartGame();
        m_gameInProgress = true;
        OfferResume();
        outcome.kind = RunLoop();
        // A game played to its end from an autosave leaves nothing to go on with.
        if (outcome.kind == GameOutcome::Kind::Quit && m_resumed && m_autosaveHold)
            std::filesystem::remove(AutosaveFile(), removeError);
    } catch (const StoryError& e) {
        outcome = {GameOutcome::Kind::Fault, FaultMessage(e.what(), m_instructionAddress)};
    } catch (const GameStopped&) {
        outcome = {GameOutcome::Kind::Stopped, {}};
        // Stopped by the player or the system, not by the story: the game is kept.
        try {
            WriteAutosave();
        } catch (const GameStopped&) {
        }
    }
    m_gameInProgress = false;
    m_sound.End();
    m_boundary.reset();
    m_autosaveHold.reset();
    m_trace.Close();
    m_files.CloseAll();
    m_keyboard.Reset();
    m_objects.Reset();
    try {
        for (const std::string& line : m_messages.TakeSummary())
            m_host.ShowMessage(line, MessageIcon::None);
        if (outcome.kind == GameOutcome::Kind::Fault)
            m_host.ShowMessage(outcome.message, MessageIcon::Error);
    } catch (const GameStopped&) {
    }
    return outcome;
}

GameOutcome zMachine::RunUntilInput() {
    m_awaiting = Awaiting::Nothing;
    m_faultPlaced = false;
    GameOutcome outcome;
    try {
        outcome.kind = RunLoop();
    } catch (const StoryError& e) {
        outcome = {GameOutcome::Kind::Fault, FaultMessage(e.what(), m_instructionAddress)};
    } catch (const GameStopped&) {
        outcome = {GameOutcome::Kind::Stopped, {}};
    }
    if (outcome.kind != GameOutcome::Kind::Waiting)
        m_awaiting = Awaiting::Nothing;
    return outcome;
}

GameOutcome::Kind zMachine::RunLoop() {
    // Tracing is chosen once: the loop without it runs no trace code at all.
    return m_trace.IsOn() ? Loop<true>() : Loop<false>();
}

template <bool Tracing> GameOutcome::Kind zMachine::Loop() {
    m_stopKind = GameOutcome::Kind::Quit;
    m_stop = false;
    // Instructions run in stretches that end at each multiple of the interval, when the
    // front-end breathes, and are counted when they end. A stop or a write into kept code cuts
    // the stretch short after the instruction running (see StoryImage::SetCodeWriteAlarm).
    uint32_t stretch = 0;
    m_countdown = {};
    int32_t address = m_pc;
    try {
        for (;;) {
            m_instructionCount += stretch - m_countdown.Cut;
            // Between stretches no instruction runs, and none is counted if something fails
            // (see the catch below).
            stretch = 0;
            m_countdown = {1, 0};
            if (m_stop)
                break;
            const uint32_t past = static_cast<uint32_t>(m_instructionCount) & (kEventInterval - 1);
            if (past == 0 && m_instructionCount > 0)
                m_host.ProcessPendingEvents();
            RefreshCode();
            if (m_sound.RoutineDue()) [[unlikely]]
                CallSoundRoutine();
            stretch = kEventInterval - past;
            m_countdown.Left = stretch;
            do {
                address = m_pc;
                Execute<Tracing>();
            } while (--m_countdown.Left != 0);
        }
    } catch (...) {
        // The instruction that failed counts, as those before it in the stretch.
        m_instructionCount += stretch - m_countdown.Cut - m_countdown.Left + 1;
        m_countdown = {};
        PlaceFault(address);
        throw;
    }
    return m_stopKind;
}

void zMachine::Stop(GameOutcome::Kind kind) {
    m_stop = true;
    m_stopKind = kind;
    m_countdown.CutShort();
}

bool zMachine::Step() {
    m_stop = false;
    const int32_t address = m_pc;
    ++m_instructionCount;
    try {
        RefreshCode();
        if (m_trace.IsOn())
            Execute<true>();
        else
            Execute<false>();
    } catch (...) {
        PlaceFault(address);
        throw;
    }
    return !m_stop;
}

void zMachine::PlaceFault(int32_t address) {
    // The innermost instruction that was running when something went wrong is the one a
    // fault message names (a routine run from a timed wait runs inside the wait).
    if (!m_faultPlaced) {
        m_instructionAddress = address;
        m_faultPlaced = true;
    }
}

void zMachine::RefreshCode() {
    if (m_story.CodeWritten()) {
        // Kept code or the header changed.
        m_cache.Refresh();
        UpdateGlobals();
        m_objects.HeaderWritten();
    }
}

template <bool Tracing> inline void zMachine::Execute() {
    const Predecoded& in = m_cache.Fetch(m_pc);
    if constexpr (Tracing) {
        // The state the instruction starts from, and its record as decoded (a RESTART empties
        // the cache while it runs).
        const std::string state = StateText();
        m_cache.Expand(in, m_traced);
        m_skipTrace = false;
        in.Run(*this, in);
        if (!m_skipTrace) {
            const OpcodeEntry& entry =
                LookupOpcode(m_traced.OpCodeType, m_traced.OpCode, m_version);
            m_trace.PrintInstr(m_traced, entry.name, state, m_frameIndex, entry.branches,
                               entry.stores);
        }
    } else {
        in.Run(*this, in);
    }
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

int32_t zMachine::WideArg(const Predecoded& in, int i, bool isUnsigned) {
    return ReadOperand(m_cache.WideKind(in, i), m_cache.WideValue(in, i), false, isUnsigned);
}

int32_t zMachine::PopStack(bool keep) {
    const int32_t value = m_stack[static_cast<size_t>(m_stackPointer)];
    if (!keep) {
        if (CurrentRoutine().FramePointer < m_stackPointer)
            --m_stackPointer;
        else
            StoryMessage("Stack Underflow", MessageIcon::Error);
    }
    return value;
}

void zMachine::WriteVariableSlow(int variable, int32_t value, bool inPlace) {
    const int32_t v = value & 0xFFFF;
    if (variable == 0) {
        if (!inPlace) {
            if (m_stackPointer >= kStackSize)
                throw StoryError("stack overflow (more than 1024 values on the stack)");
            ++m_stackPointer;
        }
        m_stack[static_cast<size_t>(m_stackPointer)] = v;
    } else if (variable < 16) {
        m_frame->Locals[static_cast<size_t>(variable)] = v;
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

void zMachine::PerformReturn(int32_t returnValue) {
    const zRoutine& returning = *m_frame;
    if (m_frameIndex == 0 || returning.EndsGame) [[unlikely]] {
        // Returning from the first routine (or version 6's main routine) ends the game.
        Stop(GameOutcome::Kind::Quit);
        return;
    }
    // The frame is left as it is: a call fills every field of a frame before it is used.
    m_stackPointer = returning.FramePointer;
    m_pc = returning.ReturnAddress;
    const int storeVar = returning.StoreVar;
    --m_frameIndex;
    --m_frame;
    if (storeVar >= 0)
        WriteVariable(storeVar, returnValue, false);
}

// ---- Screen text, status line and line input ------------------------------------------------

void zMachine::WriteToScreen(std::string_view text) {
    ++m_screenWrites;
    if (m_transcript && m_screen.CurrentWindow() == 0 && !m_echoHidden) {
        m_screen.ShownText(text, m_transcriptText);
        m_transcript(m_transcriptText);
    }
    m_pager.Write(text);
}

void zMachine::InputRead() {
    m_messages.InputRead();
    m_sound.InputRead();
}

void zMachine::DrawStatusLine() {
    StatusLineInfo info;
    info.location = Global(16);
    if (info.location >= 1)
        info.locationName = m_objects.GetObject(info.location).ShortName();
    info.timeGame = (m_story.ReadByte(0x01) & 0x02) != 0;
    info.scoreOrHours = Global(17);
    info.movesOrMinutes = Global(18);
    info.spelledOut = m_standard;
    lantern::DrawStatusLine(m_screen, info);
}

} // namespace lantern
