#include "support/Assembler.h"
#include "support/MachineFixture.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace lantern::test {
namespace {

using Control = MachineFixture;

enum { kStore = 13, kInc = 5 };

TEST_F(Control, OnlyStoryVersionsOneToEightAreLoaded) {
    machine = std::make_unique<zMachine>(host, surface, 1);
    for (const int version : {0, 9, 0x7F, 0xFF}) {
        StoryBuilder story(5);
        StoryImage image = story.Build();
        image.WriteByte(0, version);
        try {
            machine->LoadStory(std::move(image));
            ADD_FAILURE() << "version " << version << " was loaded";
        } catch (const LoadError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Unsupported story version " + std::to_string(version));
        }
    }
    StoryBuilder story(8);
    EXPECT_NO_THROW(machine->LoadStory(story.Build()));
}

TEST_F(Control, RestartReloadsTheStoryAndStartsOver) {
    StoryBuilder story(3);
    story.Byte(0x01, 0xFF).SetGlobal(20, 7);
    story.Code(Op1(kInc, C(20)) +                // g04 += 1
               OpVar(2, {C(0), C(0x11), C(1)}) + // a header byte the story may change
               Op2(kStore, C(22), C(9)) +        // g06 = 9
               OpVar(8, {C(5)}) +                // push 5
               Op0(7) +                          // restart
               Quit());
    Start(story);
    Steps(4);
    EXPECT_EQ(Global(20), 8);
    EXPECT_EQ(machine->Story().ReadByte(0x11), 1);
    machine->Story().WriteByte(0x20, 0);
    machine->Story().WriteByte(0x01, 0);
    machine->Step(); // RESTART
    EXPECT_EQ(machine->PC(), StoryBuilder::kCode);
    EXPECT_EQ(Global(20), 7);
    EXPECT_EQ(Global(22), 0);
    EXPECT_EQ(machine->Story().ReadByte(0x11), 0);
    EXPECT_EQ(machine->Story().ReadByte(0x01), (0xFF & 0x87) | 0x60);
    EXPECT_NE(machine->Story().ReadByte(0x20), 0);
    EXPECT_EQ(machine->Story().ReadByte(0x21), 640 / machine->Screen().CharWidth());
    EXPECT_EQ(machine->StackPointer(), 0);
    EXPECT_EQ(machine->FrameIndex(), 0);
}

TEST_F(Control, RestartFromInsideARoutineStartsInTheFirstFrame) {
    StoryBuilder story(5);
    story.At(0x2000);
    const int32_t routine = story.Routine(0);
    story.Code(Op0(7));
    story.At(StoryBuilder::kCode)
        .Code(OpVar(8, {C(1)}) + OpVar(25, {L(story.Packed(routine))}) + Quit());
    Start(story);
    Steps(3);
    EXPECT_EQ(machine->FrameIndex(), 0);
    EXPECT_EQ(machine->StackPointer(), 0);
    EXPECT_EQ(machine->PC(), StoryBuilder::kCode);
}

TEST_F(Control, AStoryThatRewritesItsCodeRunsTheNewCode) {
    constexpr int32_t kA = StoryBuilder::kCode;
    StoryBuilder story(5);
    story.Code(Op2(kStore, C(17), C(1)) +      // A: g01 = 1
               OpVar(2, {L(kA), C(2), C(5)}) + // storeb A+2 (A's constant) = 5
               Op1(12, L(0xFFF6)));            // jump A
    Start(story);
    Steps(4);
    EXPECT_EQ(Global(17), 5); // A ran again as rewritten
    // RESTART brings the file's code back, and that is what runs.
    machine->Restart();
    Steps(1);
    EXPECT_EQ(Global(17), 1);
    // The cache keeps nothing when told so, and runs the same.
    machine->SetInstructionCache(false);
    Steps(4);
    EXPECT_EQ(Global(17), 5);
}

TEST_F(Control, VerifyComparesTheChecksumOfTheFile) {
    StoryBuilder story(5, 0x1100);
    story.Code(Op0(13) + BranchBy(true, 2 + 4) + Op2(kStore, C(16), C(1)) + Quit() +
               Op2(kStore, C(16), C(2)) + Quit());
    // The length word counts in units of 4 in version 5; the sum runs from byte 64.
    story.Word(0x1A, 0x1100 / 4);
    int sum = 0;
    for (int32_t a = 64; a < 0x1100; ++a)
        sum = (sum + story.Raw()[static_cast<size_t>(a)]) & 0xFFFF;
    story.Word(0x1C, sum);
    Start(story);
    Run();
    EXPECT_EQ(Global(16), 2);
    story.Word(0x1C, sum + 1);
    Start(story);
    Run();
    EXPECT_EQ(Global(16), 1);
}

TEST_F(Control, PiracyAlwaysBranches) {
    StoryBuilder story(5);
    story.Code(Op0(15) + BranchBy(true, 2 + 4) + Op2(kStore, C(16), C(1)) + Quit() +
               Op2(kStore, C(16), C(2)) + Quit());
    Start(story);
    Run();
    EXPECT_EQ(Global(16), 2);
}

TEST_F(Control, SaveAndRestoreShowTheirMessagesAndGoOn) {
    StoryBuilder v3(3);
    // save ?taken: not taken, so g00 = 1.
    v3.Code(Op0(5) + BranchBy(true, 2 + 4) + Op2(kStore, C(16), C(1)) + Quit() +
            Op2(kStore, C(16), C(2)) + Quit());
    Start(v3);
    Run();
    EXPECT_EQ(Global(16), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Please Implement zSAVE!");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::None);

    StoryBuilder v4(4);
    v4.SetGlobal(16, 5);
    v4.Code(Op0(6) + Store(16) + Quit()); // version 4 restore stores: 0, it failed
    Start(v4);
    Run();
    EXPECT_EQ(Global(16), 0);
    EXPECT_EQ(host.messages.back().text, "Please Implement zRESTORE!");
}

TEST_F(Control, RefusedOpcodesLeaveTheStackAlone) {
    StoryBuilder story(5);
    story.Code(OpVar(8, {C(1)}) +    // push 1
               Op2(28, V(0), V(0)) + // throw sp sp: refused, nothing popped
               OpVar(20, {C(1)}) + OpVar(28, {C(1), C(2), C(3), C(4)}) + OpVar(30, {C(1), C(2)}) +
               Op2(0, C(1), C(2)) + // 2OP 0 has no opcode
               Quit());
    Start(story);
    Run();
    EXPECT_EQ(machine->StackPointer(), 1);
    std::vector<std::string> texts;
    for (const auto& message : host.messages)
        texts.push_back(message.text);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Please Implement THROW!", "Please Implement INPUT_STREAM",
                         "Please Implement ENCODE_TEXT", "Please Implement PRINT_TABLE",
                         "Unimplemented Opcode at address 001013"})); // kCode + 19
}

TEST_F(Control, ConsoleModeHoldsBackRepeatedMessagesAndEndsAStuckStory) {
    // Each pass pops an empty stack and runs an opcode that does not exist; the second story
    // reads a key between passes.
    const Bytes pass = Op2(kStore, C(16), V(0)) + Op2(0, C(1), C(2));
    const Bytes jumpBack = Op1(12, L(-(static_cast<int>(pass.size()) + 3 - 2) & 0xFFFF));
    StoryBuilder stuck(5);
    stuck.Code(pass + jumpBack);
    const Bytes keyed = pass + OpVar(22, {C(1)}) + Store(17);
    StoryBuilder reading(5);
    reading.Code(keyed + Op1(12, L(-(static_cast<int>(keyed.size()) + 3 - 2) & 0xFFFF)));

    // Played as a game: each message is shown three times, the story is stopped at the
    // 10,000th, and the end of the game says how many were held back.
    const std::string path = ::testing::TempDir() + "lantern-stuck-" + std::to_string(getpid());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(stuck.Raw().data()),
               static_cast<std::streamsize>(stuck.Raw().size()));
    machine = std::make_unique<zMachine>(host, surface, 1);
    machine->SetMessageRepeatsLimited(true);
    const GameOutcome outcome = machine->RunGame(path);
    std::filesystem::remove(path);
    EXPECT_EQ(outcome.kind, GameOutcome::Kind::Fault);
    std::vector<std::string> texts;
    for (const auto& message : host.messages)
        texts.push_back(message.text);
    const std::string unknown = "Unimplemented Opcode at address 001003";
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Stack Underflow", unknown, "Stack Underflow", unknown, "Stack Underflow",
                         unknown, "\"Stack Underflow\" came 4997 more times, not shown.",
                         "\"" + unknown + "\" came 4996 more times, not shown.",
                         "Story fault at address 001003: the story keeps failing (10000 messages "
                         "with no input read, the last \"" +
                             unknown + "\")."}));

    // Input read between the messages: each is shown, however often.
    host.messages.clear();
    host.Type("abcd");
    Start(reading);
    machine->SetMessageRepeatsLimited(true);
    EXPECT_EQ(Run(), GameOutcome::Kind::Stopped);
    EXPECT_EQ(host.messages.size(), 10u);

    // The window shows every one.
    host.messages.clear();
    Start(stuck);
    Steps(3000);
    EXPECT_EQ(host.messages.size(), 2000u);
}

TEST_F(Control, UnknownExtendedOpcodesAskWhetherToGoOn) {
    StoryBuilder story(5);
    story.SetGlobal(16, 7);
    story.Code(OpExt(10, {}) + Store(16) + // restore_undo: its store byte is not code
               OpExt(9, {}) + Store(17) +  // save_undo answers -1
               OpExt(4, {C(1)}) + Store(18) + Quit());
    Start(story);
    host.answerYes = true;
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(Global(16), 0);
    EXPECT_EQ(Global(17), -1);
    ASSERT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(host.questions[0], "EXT opcodes not yet implemented! Continue?");

    Start(story);
    host.answerYes = false;
    EXPECT_EQ(Run(), GameOutcome::Kind::Stopped);
    EXPECT_EQ(Global(16), 7);
}

TEST_F(Control, CompleteMachineFaultsOnImpossibleThrowsAndTables) {
    // THROW to a frame that is not running; PRINT_TABLE and ENCODE_TEXT past the end of memory.
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {Op2(28, C(1), C(0)), "THROW to frame 0, which is not running (1 frames are)"},
        {Op2(28, C(1), C(2)), "THROW to frame 2, which is not running (1 frames are)"},
        {OpVar(30, {L(0xFFF0), C(8), C(3)}), "PRINT_TABLE of a table that runs past the end of "
                                             "memory"},
        {OpVar(28, {L(0x100), C(4), C(0), L(0xFFFE)}), "ENCODE_TEXT outside memory"},
    };
    for (const auto& [code, message] : cases) {
        StoryBuilder story(5);
        story.Code(code + Quit());
        Start(story);
        machine->SetStandard(true);
        EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
        EXPECT_EQ(fault, message);
    }
}

TEST_F(Control, CompleteMachineClaimsStandardOneOneAndTrueColours) {
    StoryBuilder story(5);
    // A header extension of six words asking for transparency (Flags 3).
    story.Word(0x36, 0x3000).Word(0x3000, 6).Word(0x3008, 1);
    story.Code(OpExt(13, {L(0x001F), L(0xFFFF)}) + Quit()); // red on the default background
    Start(story);
    EXPECT_EQ(machine->Story().ReadWord(0x32, true), 0); // the default machine claims nothing
    machine->SetStandard(true);
    machine->StartGame();
    const StoryImage& image = machine->Story();
    EXPECT_EQ(image.ReadWord(0x32, true), 0x0101);
    EXPECT_EQ(image.ReadWord(0x3008, true), 0);      // no transparency
    EXPECT_EQ(image.ReadWord(0x300C, true), 0x7FFF); // white, the default background
    Run();
    EXPECT_EQ(machine->Screen().StoredForeColor(), Rgb(255, 0, 0));
    EXPECT_EQ(machine->Screen().StoredBackColor(), Rgb(255, 255, 255));
}

TEST_F(Control, QuitStopsTheRun) {
    StoryBuilder story(5);
    story.Code(Quit() + Op2(kStore, C(16), C(1)));
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(Global(16), 0);
}

} // namespace
} // namespace lantern::test
