// Keeping a game under the complete Z-machine: the saved file's layout, a file of another story
// or a damaged one refused with the game intact, the state a file carries, and the streams to
// files (transcript, record of commands, commands played back).
#include "files/Iff.h"
#include "machine/zMachine.h"
#include "screen/CellSurface.h"
#include "session/Session.h"
#include "support/Assembler.h"
#include "support/StoryBuilder.h"
#include "support/TestHost.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lantern::test {
namespace {

class SavedGameStory : public ::testing::Test {
  protected:
    TestHost host;
    NullSurface surface;
    std::unique_ptr<zMachine> machine;
    std::string text;
    std::string folder;

    void SetUp() override {
        // A folder for each test and run, since tests (of other builds too) may run at the
        // same time.
        folder = ::testing::TempDir() + "lantern-saved-game-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                 std::to_string(::getpid());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void Play(const std::string& story, const std::string& keys, bool standard = true) {
        machine = std::make_unique<zMachine>(host, surface, 1);
        machine->SetStandard(standard);
        host.deliverKey = [this](int key) { machine->Keys().KeyPress(key); };
        machine->SetPagingWait(false);
        machine->SetTranscript([this](std::string_view t) {
            for (const char c : t)
                if (c != '\r')
                    text += c;
        });
        machine->PrepareScreen(640, 480);
        host.Type(keys);
        machine->RunGame(story);
    }

    static std::vector<uint8_t> ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
};

TEST_F(SavedGameStory, SavedFileHoldsTheQuetzalChunks) {
    const std::string save = folder + "/game.qzl";
    host.fileNames = {save};
    Play(LANTERN_STORY_STANDARD_V5, "inc\rsave\r");
    EXPECT_NE(text.find("Save answered 1."), std::string::npos) << text;
    const std::vector<uint8_t> file = ReadBytes(save);
    ASSERT_GE(file.size(), 12u + 8 + 13);
    const std::string bytes(file.begin(), file.end());
    EXPECT_EQ(bytes.substr(0, 4), "FORM");
    EXPECT_EQ(bytes.substr(8, 4), "IFZS");
    EXPECT_EQ(bytes.substr(12, 4), "IFhd");
    EXPECT_EQ(file[19], 13); // the header chunk's length
    EXPECT_NE(bytes.find("CMem"), std::string::npos);
    EXPECT_NE(bytes.find("Stks"), std::string::npos);
    // The FORM's length counts everything after it.
    const size_t formLength =
        (size_t{file[4]} << 24) | (size_t{file[5]} << 16) | (size_t{file[6]} << 8) | file[7];
    EXPECT_EQ(formLength + 8, file.size());
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
    // The story is told that undo is there (Flags 2), and only in this mode.
    EXPECT_NE(machine->Story().ReadByte(0x11) & 0x10, 0);
    Play(LANTERN_STORY_STANDARD_V5, "", false);
    EXPECT_EQ(machine->Story().ReadByte(0x11) & 0x10, 0);
}

TEST_F(SavedGameStory, ForeignOrDamagedFilesAreRefusedAndTheGameGoesOn) {
    const std::string save = folder + "/game.qzl";
    const std::string foreign = folder + "/foreign.qzl";
    const std::string damaged = folder + "/damaged.qzl";
    host.fileNames = {save};
    Play(LANTERN_STORY_STANDARD_V5, "inc\rsave\r");
    std::vector<uint8_t> file = ReadBytes(save);
    ASSERT_GT(file.size(), 30u);
    // Another serial number, and a file cut short.
    std::vector<uint8_t> other = file;
    other[22] ^= 1;
    WriteBytes(foreign, other);
    WriteBytes(damaged, std::vector<uint8_t>(file.begin(), file.end() - 3));

    text.clear();
    host.messages.clear();
    host.fileNames = {foreign, damaged, folder + "/none.qzl"};
    Play(LANTERN_STORY_STANDARD_V5, "inc\rinc\rrestore\rrestore\rrestore\rinc\r");
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0].text, "This saved game belongs to another story.");
    EXPECT_EQ(host.messages[1].text, "The saved game is damaged (a chunk runs past its end).");
    EXPECT_EQ(host.messages[2].text,
              "The game cannot be restored. \"" + folder + "/none.qzl\" does not exist.");
    EXPECT_NE(text.find("Restore answered 0.\ncounter=2\n>inc\ncounter=3"), std::string::npos)
        << text;
    // A failed save leaves the file there as it was.
    host.fileNames = {folder + "/no-folder/game.qzl"};
    Play(LANTERN_STORY_STANDARD_V5, "save\r");
    EXPECT_NE(text.find("Save answered 0."), std::string::npos);
    EXPECT_EQ(ReadBytes(save), file);
}

TEST_F(SavedGameStory, AProgramsSnapshotIsRestoredAsASavedGame) {
    // A snapshot taken while the story waits for a command, written to a file, is restored by
    // the story's RESTORE as the window and a terminal play it: the story waits for the next
    // command where the snapshot was taken.
    for (const char* story : {LANTERN_STORY_STANDARD_V3, LANTERN_STORY_STANDARD_V5}) {
        Session program(story, {});
        EXPECT_EQ(program.Input("inc"), std::nullopt);
        EXPECT_EQ(program.Input("inc"), std::nullopt);
        EXPECT_NE(program.TakeText().find("counter=2"), std::string::npos);
        const std::string snapshot = folder + "/snapshot.qzl";
        WriteBytes(snapshot, program.Snapshot());
        text.clear();
        host.fileNames = {snapshot};
        Play(story, "inc\rrestore\rinc\r");
        EXPECT_NE(text.find("counter=1\n>restore\ninc\ncounter=3\n"), std::string::npos)
            << story << ":\n"
            << text;
    }
}

TEST_F(SavedGameStory, TranscriptRecordAndPlaybackFiles) {
    const std::string first = folder + "/first.txt";
    const std::string second = folder + "/second.txt";
    const std::string record = folder + "/record.rec";
    const std::string commands = folder + "/commands.rec";
    WriteBytes(commands, {'i', 'n', 'c', '\r', '\n', 'i', 'n', 'c', '\n'});
    host.fileNames = {first, second, record, commands};
    // The transcript starts by the opcode and stops by the header bit, then the other way round;
    // commands are recorded, and two are played back from a file; at the last "script" the
    // player names no file.
    Play(LANTERN_STORY_STANDARD_V5,
         "script\rinc\rflagoff\rinc\rflagon\rrecord\rreplay\runscript\runrecord\rscript\rinc\r");
    const auto Text = [](const std::string& path) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    };
    // Each transcript holds the lower window as the screen showed it, commands included.
    const size_t start1 = text.find("[transcript 1]");
    const size_t end1 = text.find(">flagoff\n", start1) + 9;
    ASSERT_NE(start1, std::string::npos) << text;
    EXPECT_EQ(Text(first), text.substr(start1, end1 - start1));
    const size_t start2 = text.find("[transcript 1]", end1);
    const size_t end2 = text.find(">unscript\n", start2) + 10;
    ASSERT_NE(start2, std::string::npos) << text;
    EXPECT_EQ(Text(second), text.substr(start2, end2 - start2));
    EXPECT_NE(text.find(">flagoff\n[transcript 0]"), std::string::npos);
    EXPECT_NE(text.find(">unscript\n[transcript 0]"), std::string::npos);
    EXPECT_NE(text.find(">script\n[transcript 0]"), std::string::npos);
    EXPECT_EQ(Text(record), "replay\ninc\ninc\nunscript\nunrecord\n");
    // The played commands show as typed; then the keyboard goes on.
    EXPECT_NE(text.find(">replay\ncounter=2\n>inc\ncounter=3\n>inc\ncounter=4\n>unscript\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("counter=5"), std::string::npos);
    // A file being written is not played back: it would grow as fast as it is read.
    host.fileNames = {record, record};
    host.messages.clear();
    Play(LANTERN_STORY_STANDARD_V5, "record\rreplay\rinc\r");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(Text(record), "replay\ninc\n");
}

TEST_F(SavedGameStory, DamagedSavesAreRefusedAndTheGameGoesOn) {
    // A real save, made three routine calls deep, and its state.
    const std::string save = folder + "/game.qzl";
    host.fileNames = {save};
    Play(LANTERN_STORY_STANDARD_V5, "inc\rsave\r");
    const std::vector<uint8_t> file = ReadBytes(save);
    const StoryImage story(ReadBytes(LANTERN_STORY_STANDARD_V5));
    const size_t dynamicSize = static_cast<size_t>(story.ReadWord(0x0E, true));
    std::string error;
    const auto state = ReadQuetzal(file, story, dynamicSize, 91, 1024, error);
    ASSERT_TRUE(state) << error;
    ASSERT_GE(state->Frames.size(), 4u);

    const std::string noSave = "The saved game is damaged (it goes on neither after a SAVE of this "
                               "story nor at one of its inputs).";
    const std::string frames = "The saved game is damaged (its call frames do not add up).";
    const std::string header = "The saved game is damaged (its header is not the story's).";
    std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
    const auto Broken = [&](const std::string& expected, const auto& change) {
        MachineState copy = *state;
        change(copy);
        damaged.emplace_back(expected, WriteQuetzal(copy, story));
    };
    // The PC: past the SAVE's store byte, in the header, past the end, on a SAVE's opcode.
    Broken(noSave, [](MachineState& s) { s.PC += 1; });
    Broken(noSave, [](MachineState& s) { s.PC = 0x10; });
    Broken(noSave, [&](MachineState& s) { s.PC = story.Size() + 1; });
    Broken(noSave, [](MachineState& s) { s.PC -= 3; });
    // The frames: a return into the header or past the story, locals in the first frame.
    Broken(frames, [](MachineState& s) { s.Frames[2].ReturnAddress = 0x20; });
    Broken(frames, [&](MachineState& s) { s.Frames[2].ReturnAddress = story.Size(); });
    Broken(frames, [](MachineState& s) { s.Frames[0].LocalCount = 1; });
    // The header bytes no story can change: version, globals, static memory, checksum.
    for (const int address : {0x00, 0x0C, 0x0E, 0x1D})
        Broken(header, [address](MachineState& s) { s.Memory[static_cast<size_t>(address)] ^= 1; });
    // Bytes of the frame records themselves: more arguments than locals, arguments with a gap,
    // more stack values than the chunk holds.
    const IffForm form = IffForm::Parse(file);
    const size_t stacks = static_cast<size_t>(form.Find("Stks")->Data.data() - file.data());
    const zRoutine& first = state->Frames[0];
    const size_t second =
        stacks + 8 + 2 * static_cast<size_t>(state->Frames[1].FramePointer - first.FramePointer);
    const auto Patched = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = file;
        bytes[at] = value;
        damaged.emplace_back(frames, bytes);
    };
    const int locals = state->Frames[1].LocalCount;
    Patched(second + 5, static_cast<uint8_t>((1 << (locals + 1)) - 1));
    Patched(second + 5, 0x05);
    Patched(second + 6, 0x7F);

    std::vector<std::string> names;
    std::string keys = "inc\r";
    for (size_t i = 0; i < damaged.size(); ++i) {
        names.push_back(folder + "/damaged-" + std::to_string(i) + ".qzl");
        WriteBytes(names.back(), damaged[i].second);
        keys += "restore\r";
    }
    text.clear();
    host.messages.clear();
    host.fileNames.assign(names.begin(), names.end());
    Play(LANTERN_STORY_STANDARD_V5, keys + "inc\r");
    ASSERT_EQ(host.messages.size(), damaged.size());
    for (size_t i = 0; i < damaged.size(); ++i)
        EXPECT_EQ(host.messages[i].text, damaged[i].first) << "damaged save " << i;
    // Each refused restore left the game as it was.
    EXPECT_NE(text.find("counter=1\n>restore\nRestore answered 0.\ncounter=1\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find(">inc\ncounter=2\n"), std::string::npos) << text;
}

TEST_F(SavedGameStory, OddFilesAreRefusedAndNoFileIsHarmed) {
    // The story under three names, a folder, a FIFO, and a private saved game reached through
    // a relative link.
    const std::string story = folder + "/story.z5";
    std::filesystem::copy_file(LANTERN_STORY_STANDARD_V5, story);
    const std::vector<uint8_t> storyBytes = ReadBytes(story);
    const std::string link = folder + "/link.z5", hard = folder + "/hard.z5";
    const std::string dir = folder + "/dir", fifo = folder + "/fifo";
    const std::string kept = folder + "/kept.qzl", viaLink = folder + "/via-link.qzl";
    ASSERT_EQ(::symlink(story.c_str(), link.c_str()), 0);
    ASSERT_EQ(::link(story.c_str(), hard.c_str()), 0);
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteBytes(kept, {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(kept.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("kept.qzl", viaLink.c_str()), 0);

    // The files the commands below are given, in order.
    const auto Give = [this](std::initializer_list<std::string> names) {
        host.fileNames.insert(host.fileNames.end(), names);
    };
    Give({dir, fifo, "/dev/zero"});                               // restore
    Give({dir, fifo, "/dev/zero"});                               // replay
    Give({story, link, hard, folder + "/./story.z5", dir, fifo}); // save
    Give({hard, fifo, dir});                                      // script, record
    Give({link, fifo});                                           // keep, fetch
    Give({viaLink});                                              // save through a link
    Play(story, "restore\rrestore\rrestore\rreplay\rreplay\rreplay\r"
                "save\rsave\rsave\rsave\rsave\rsave\rscript\rscript\rrecord\r"
                "keep\rfetch\rsave\r");
    const auto Quoted = [](const std::string& path) { return "\"" + path + "\""; };
    const auto IsStory = [&](const std::string& path) {
        return "The file " + Quoted(path) +
               " is the story file: it would be overwritten. Choose another one.";
    };
    std::vector<std::string> texts;
    for (const auto& message : host.messages)
        texts.push_back(message.text);
    EXPECT_EQ(
        texts,
        (std::vector<std::string>{
            "The game cannot be restored. " + Quoted(dir) + " is not a regular file.",
            "The game cannot be restored. " + Quoted(fifo) + " is not a regular file.",
            "The game cannot be restored. \"/dev/zero\" is not a regular file.",
            "The commands cannot be played back. " + Quoted(dir) + " is not a regular file.",
            "The commands cannot be played back. " + Quoted(fifo) + " is not a regular file.",
            "The commands cannot be played back. \"/dev/zero\" is not a regular file.",
            IsStory(story), IsStory(link), IsStory(hard), IsStory(folder + "/./story.z5"),
            "The game cannot be saved. " + Quoted(dir) + " is not a regular file.",
            "The game cannot be saved. " + Quoted(fifo) + " is not a regular file.", IsStory(hard),
            "The transcript cannot be written. " + Quoted(fifo) + " is not a regular file.",
            "The commands cannot be recorded. " + Quoted(dir) + " is not a regular file.",
            IsStory(link),
            "The data cannot be restored. " + Quoted(fifo) + " is not a regular file."}));
    EXPECT_NE(text.find("Save answered 0."), std::string::npos);
    // The story is whole, the odd files are what they were, and the save went through the
    // link into the private file, which stayed private.
    EXPECT_EQ(ReadBytes(story), storyBytes);
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(viaLink));
    const std::vector<uint8_t> saved = ReadBytes(kept);
    ASSERT_GT(saved.size(), 12u);
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "FORM");
    struct stat info {};
    ASSERT_EQ(::stat(kept.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A full disk (a file size limit stands in for one): the save fails, with the reason, and
    // the earlier save is whole.
    host.messages.clear();
    host.fileNames = {viaLink};
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 64;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Play(story, "inc\rsave\r");
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "The game cannot be saved. " + Quoted(viaLink) +
                                         " cannot be written: File too large.");
    EXPECT_EQ(ReadBytes(kept), saved);
    // No temporary file is left anywhere.
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
}

TEST(Quetzal, StateComesBackWhole) {
    StoryImage original(std::vector<uint8_t>(0x200, 0));
    original.WriteByte(0, 5);
    original.WriteWord(0x0E, 0x100);
    MachineState state;
    state.Memory.assign(0x100, 0);
    state.Memory[0] = 5;
    state.Memory[0x0E] = 1;
    state.Memory[0x80] = 0x42;
    state.Memory[0xFF] = 7;
    state.Stack = {1, 2, 0xFFFF, 4};
    state.Frames.resize(3);
    state.Frames[1].FramePointer = 1;
    state.Frames[1].ReturnAddress = 0x123;
    state.Frames[1].LocalCount = 2;
    state.Frames[1].Locals[1] = 9;
    state.Frames[1].Locals[2] = 0xABCD;
    state.Frames[1].ArgCount = 1;
    state.Frames[1].StoreVar = 0x10;
    state.Frames[2].FramePointer = 3;
    state.Frames[2].ReturnAddress = 0x1FF;
    state.Frames[2].StoreVar = -1;
    state.PC = 0x1F0;
    std::string error;
    const auto back = ReadQuetzal(WriteQuetzal(state, original), original, 0x100, 91, 1024, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->Memory, state.Memory);
    EXPECT_EQ(back->Stack, state.Stack);
    EXPECT_EQ(back->PC, state.PC);
    ASSERT_EQ(back->Frames.size(), 3u);
    for (size_t f = 0; f < 3; ++f) {
        EXPECT_EQ(back->Frames[f].FramePointer, state.Frames[f].FramePointer);
        EXPECT_EQ(back->Frames[f].ReturnAddress, state.Frames[f].ReturnAddress);
        EXPECT_EQ(back->Frames[f].LocalCount, state.Frames[f].LocalCount);
        EXPECT_EQ(back->Frames[f].Locals, state.Frames[f].Locals);
        EXPECT_EQ(back->Frames[f].ArgCount, state.Frames[f].ArgCount);
        EXPECT_EQ(back->Frames[f].StoreVar, f == 0 ? 0 : state.Frames[f].StoreVar);
    }
}

// A game stopped at its second command, two routines deep with values on the stack, as the
// player sees it: memory, stack, frames, PC and the screen's text.
struct Stopped {
    std::vector<uint8_t> memory;
    std::vector<int32_t> stack;
    int frameIndex = 0;
    zRoutine frame;
    int32_t pc = 0;
    std::vector<std::string> rows;
    /// Each cell's text colour (0 for a blank, 1 << 24 added for bold) and background.
    std::vector<std::pair<Colour, Colour>> colours;
    std::vector<uint8_t> autosave; ///< the autosave file's bytes at that wait
    bool operator==(const Stopped& other) const {
        return memory == other.memory && stack == other.stack && frameIndex == other.frameIndex &&
               pc == other.pc && rows == other.rows && colours == other.colours &&
               frame.Locals == other.frame.Locals && frame.LocalCount == other.frame.LocalCount &&
               frame.ReturnAddress == other.frame.ReturnAddress &&
               frame.FramePointer == other.frame.FramePointer &&
               frame.StoreVar == other.frame.StoreVar && frame.ArgCount == other.frame.ArgCount;
    }
};

Colour Look(const CellSurface::Cell& cell) {
    return cell.ch == U' ' ? 0 : cell.text | (cell.bold ? 1u << 24 : 0);
}

// Main sets red on blue and calls A (2 locals), which pushes a value and calls B (1 local); B
// loops: ">", READ, counts the command in a global, prints the count in bold and pushes it.
std::vector<uint8_t> CountingStory() {
    constexpr int kText = 0xB00;
    StoryBuilder story(5);
    story.Byte(kText, 20);
    story.At(0x1400);
    const int32_t b = story.Routine(1);
    const int32_t loop = story.Here();
    story.Code(OpVar(2, {L(kText), C(1), C(0)}) +       // STOREB text 1 0: nothing typed yet
               OpVar(5, {C('>')}) +                     // PRINT_CHAR
               OpVar(4, {L(kText), C(0)}) + Store(17) + // READ -> g1
               Op1(5, C(18)) +                          // INC g2
               OpVar(17, {C(2)}) +                      // SET_TEXT_STYLE bold
               OpVar(6, {V(18)}) +                      // PRINT_NUM g2
               OpVar(17, {C(0)}) +                      // SET_TEXT_STYLE roman
               Op0(11) +                                // NEW_LINE
               OpVar(8, {V(18)}));                      // PUSH g2
    const int32_t jump = story.Here();
    story.Code(Op1(12, L((loop - (jump + 3) + 2) & 0xFFFF))); // JUMP loop
    const int32_t a = story.Routine(2);
    story.Code(OpVar(8, {C(88)}) + OpVar(25, {L(story.Packed(b)), C(9)}) + Rtrue());
    story.At(StoryBuilder::kCode).StartHere();
    story.Code(Op2(27, C(3), C(6)) + OpVar(13, {L(0xFFFF)}) + OpVar(0, {L(story.Packed(a)), C(5)}) +
               Store(16) + Quit());
    return story.Raw();
}

TEST_F(SavedGameStory, AnAutosaveGoesOnExactlyWhereTheGameStopped) {
    const std::string path = folder + "/counting.z5";
    WriteBytes(path, CountingStory());
    const std::string saves = folder + "/autosaves";
    // A game of the complete machine on a small screen that keeps autosaves.
    auto makeGame = [&](TestHost& player, CellSurface& cells) {
        auto game = std::make_unique<zMachine>(player, cells, 1);
        game->SetStandard(true);
        game->SetAutosaveFolder(saves);
        game->PrepareScreen(cells.Width(), cells.Height());
        return game;
    };
    // Plays with the given keys and stops at the next wait after them, noting the game there.
    auto play = [&](const std::string& keys, bool resume, std::vector<std::string>& questions) {
        TestHost player;
        CellSurface cells(30, 8);
        const std::unique_ptr<zMachine> owner = makeGame(player, cells);
        zMachine& game = *owner;
        Stopped seen;
        player.Type(keys + "!");
        player.answerYes = resume;
        player.deliverKey = [&](int key) {
            if (key != '!') {
                game.Keys().KeyPress(key);
                return;
            }
            seen.memory.assign(game.Story().Data(), game.Story().Data() + 0x1000);
            for (int i = 1; i <= game.StackPointer(); ++i)
                seen.stack.push_back(game.StackValue(i));
            seen.frameIndex = game.FrameIndex();
            seen.frame = game.CurrentRoutine();
            seen.pc = game.PC();
            for (int y = 0; y < cells.Height(); ++y) {
                seen.rows.push_back(cells.RowTextTrimmed(y));
                for (int x = 0; x < cells.Width(); ++x)
                    seen.colours.emplace_back(Look(cells.CellAt(x, y)), cells.CellAt(x, y).back);
            }
            for (const auto& entry : std::filesystem::directory_iterator(saves))
                seen.autosave = ReadBytes(entry.path().string());
        };
        EXPECT_EQ(game.RunGame(path).kind, GameOutcome::Kind::Stopped);
        questions = player.questions;
        return seen;
    };
    std::vector<std::string> questions;
    std::filesystem::create_directories(saves);
    const Stopped first = play("a\r", false, questions);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(first.frameIndex, 2);
    EXPECT_EQ(first.stack.size(), 2u); // A's 88 and B's count
    ASSERT_GE(first.rows.size(), 3u);
    EXPECT_EQ(first.rows[0], ">a");
    EXPECT_EQ(first.rows[1], "1");
    EXPECT_EQ(first.rows[2], ">");
    // The story's colours on the whole screen, and the count in bold.
    EXPECT_EQ(first.colours[0], std::make_pair(Rgb(255, 0, 0), Rgb(0, 0, 255)));
    EXPECT_EQ(first.colours[30], std::make_pair(Rgb(255, 0, 0) | (1u << 24), Rgb(0, 0, 255)));
    EXPECT_EQ(first.colours.back().second, Rgb(0, 0, 255));
    // One file for the story, written whole: nothing else is left in the folder.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(saves))
        files.push_back(entry.path().filename().string());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].ends_with(".autosave.qzl")) << files[0];
    const std::string kept = saves + "/" + files[0];
    const std::vector<uint8_t> bytes = ReadBytes(kept);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FORM");

    // Going on: the same game at the same place, with the same screen in the same colours.
    const Stopped resumed = play("", true, questions);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_TRUE(resumed == first);
    // Declining starts afresh and keeps the autosave.
    const Stopped fresh = play("", false, questions);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(fresh.stack.size(), 1u);
    EXPECT_EQ(fresh.rows[0], ">");
    EXPECT_EQ(fresh.autosave, bytes);
    // Stopped before the player gave it anything, the new game does not replace the kept one
    // (as when the window closes while the question is shown).
    EXPECT_EQ(ReadBytes(kept), bytes);
    // A second game of the story while a first one holds its autosave says at once that it
    // will not be kept, asks nothing, and leaves the first one's autosave as it was.
    {
        TestHost first;
        CellSurface firstCells(30, 8);
        const auto holder = makeGame(first, firstCells);
        first.answerYes = false;
        first.Type("!");
        const std::vector<uint8_t> held = ReadBytes(kept);
        bool secondPlayed = false;
        first.deliverKey = [&](int) {
            TestHost second;
            CellSurface cells(30, 8);
            second.Type("b\r");
            EXPECT_EQ(makeGame(second, cells)->RunGame(path).kind, GameOutcome::Kind::Stopped);
            EXPECT_TRUE(second.questions.empty());
            ASSERT_EQ(second.messages.size(), 1u);
            EXPECT_EQ(second.messages[0].text,
                      "This story is being played in another game, which keeps it: this game "
                      "will not be kept when it is stopped.");
            EXPECT_EQ(ReadBytes(kept), held);
            secondPlayed = true;
        };
        holder->RunGame(path);
        EXPECT_TRUE(secondPlayed);
        EXPECT_EQ(first.questions.size(), 1u);
        EXPECT_TRUE(first.messages.empty());
        // Released when the first game ended: the next one holds it again.
        TestHost third;
        CellSurface cells(30, 8);
        makeGame(third, cells)->RunGame(path);
        EXPECT_TRUE(third.messages.empty());
        EXPECT_EQ(third.questions.size(), 1u);
    }
    // A data folder that is a file is reported as what it is.
    {
        std::filesystem::remove_all(saves);
        WriteBytes(saves, {'x'});
        TestHost player;
        CellSurface cells(30, 8);
        makeGame(player, cells)->RunGame(path);
        ASSERT_EQ(player.messages.size(), 1u);
        EXPECT_EQ(player.messages[0].text, "\"" + saves +
                                               "\" is not a folder: this game will not be "
                                               "kept when it is stopped.");
        std::filesystem::remove(saves);
        std::filesystem::create_directories(saves);
        WriteBytes(kept, bytes);
    }
    // A damaged autosave is reported and the story starts afresh.
    WriteBytes(kept, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40));
    TestHost player;
    CellSurface cells(30, 8);
    makeGame(player, cells)->RunGame(path);
    EXPECT_TRUE(player.questions.empty());
    ASSERT_EQ(player.messages.size(), 1u);
    EXPECT_NE(player.messages[0].text.find("damaged"), std::string::npos);
}

} // namespace
} // namespace lantern::test
