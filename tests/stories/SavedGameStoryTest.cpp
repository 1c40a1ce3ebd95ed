// Keeping a game under the complete Z-machine: the saved file's layout, a file of another story
// or a damaged one refused with the game intact, the state a file carries, and the streams to
// files (transcript, record of commands, commands played back).
#include "machine/zMachine.h"
#include "screen/CellSurface.h"
#include "support/Assembler.h"
#include "support/StoryBuilder.h"
#include "support/TestHost.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
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
    EXPECT_EQ(host.messages[2].text, "Cannot read the saved game \"" + folder + "/none.qzl\".");
    EXPECT_NE(text.find("Restore answered 0.\ncounter=2\n>inc\ncounter=3"), std::string::npos)
        << text;
    // A failed save leaves the file there as it was.
    host.fileNames = {folder + "/no-folder/game.qzl"};
    Play(LANTERN_STORY_STANDARD_V5, "save\r");
    EXPECT_NE(text.find("Save answered 0."), std::string::npos);
    EXPECT_EQ(ReadBytes(save), file);
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
    state.Frames[1].ReturnAddress = 0x1234;
    state.Frames[1].LocalCount = 2;
    state.Frames[1].Locals[1] = 9;
    state.Frames[1].Locals[2] = 0xABCD;
    state.Frames[1].ArgCount = 1;
    state.Frames[1].StoreVar = 0x10;
    state.Frames[2].FramePointer = 3;
    state.Frames[2].ReturnAddress = 0x2000;
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
    std::vector<uint8_t> autosave; ///< the autosave file's bytes at that wait
    bool operator==(const Stopped& other) const {
        return memory == other.memory && stack == other.stack &&
               frameIndex == other.frameIndex && pc == other.pc && rows == other.rows &&
               frame.Locals == other.frame.Locals && frame.LocalCount == other.frame.LocalCount &&
               frame.ReturnAddress == other.frame.ReturnAddress &&
               frame.FramePointer == other.frame.FramePointer &&
               frame.StoreVar == other.frame.StoreVar && frame.ArgCount == other.frame.ArgCount;
    }
};

// Main calls A (2 locals), which pushes a value and calls B (1 local); B loops: ">", READ,
// counts the command in a global, prints the count and pushes it.
std::vector<uint8_t> CountingStory() {
    constexpr int kText = 0xB00;
    StoryBuilder story(5);
    story.Byte(kText, 20);
    story.At(0x1400);
    const int32_t b = story.Routine(1);
    const int32_t loop = story.Here();
    story.Code(OpVar(2, {L(kText), C(1), C(0)}) +   // STOREB text 1 0: nothing typed yet
               OpVar(5, {C('>')}) +                 // PRINT_CHAR
               OpVar(4, {L(kText), C(0)}) + Store(17) + // READ -> g1
               Op1(5, C(18)) +                      // INC g2
               OpVar(6, {V(18)}) +                  // PRINT_NUM g2
               Op0(11) +                            // NEW_LINE
               OpVar(8, {V(18)}));                  // PUSH g2
    const int32_t jump = story.Here();
    story.Code(Op1(12, L((loop - (jump + 3) + 2) & 0xFFFF))); // JUMP loop
    const int32_t a = story.Routine(2);
    story.Code(OpVar(8, {C(88)}) + OpVar(25, {L(story.Packed(b)), C(9)}) + Rtrue());
    story.At(StoryBuilder::kCode).StartHere();
    story.Code(OpVar(0, {L(story.Packed(a)), C(5)}) + Store(16) + Quit());
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
            for (int y = 0; y < cells.Height(); ++y)
                seen.rows.push_back(cells.RowTextTrimmed(y));
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
    // One file for the story, written whole: nothing else is left in the folder.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(saves))
        files.push_back(entry.path().filename().string());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].ends_with(".autosave.qzl")) << files[0];
    const std::string kept = saves + "/" + files[0];
    const std::vector<uint8_t> bytes = ReadBytes(kept);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FORM");

    // Going on: the same game at the same place, with the same screen.
    const Stopped resumed = play("", true, questions);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_TRUE(resumed == first);
    // Declining starts afresh and keeps the autosave.
    const Stopped fresh = play("", false, questions);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(fresh.stack.size(), 1u);
    EXPECT_EQ(fresh.rows[0], ">");
    EXPECT_EQ(fresh.autosave, bytes);
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
