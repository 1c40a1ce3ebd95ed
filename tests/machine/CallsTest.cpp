#include "support/Assembler.h"
#include "support/MachineFixture.h"

#include <cstdio>
#include <fstream>

namespace lantern::test {
namespace {

using Calls = MachineFixture;

enum { kCallVs = 0, kCallVn = 25, kPush = 8, kPull = 9, kStore = 13, kAdd = 20 };

TEST_F(Calls, VersionThreeLocalsStartFromTheRoutineHeaderThenArguments) {
    StoryBuilder story(3);
    story.At(0x2000);
    const int32_t routine = story.Routine(2, {0x0005, 0xFFFF});
    story.Code(Quit());
    story.At(StoryBuilder::kCode)
        .Code(OpVar(kCallVs, {L(story.Packed(routine)), C(7)}) + Store(16));
    Start(story);
    machine->Step();
    EXPECT_EQ(machine->FrameIndex(), 1);
    EXPECT_EQ(machine->CurrentRoutine().Locals[1], 7);
    EXPECT_EQ(machine->ReadOperand(kVariable, 2, false, false), -1);
    EXPECT_EQ(machine->CurrentRoutine().ArgCount, 1);
    EXPECT_EQ(machine->PC(), routine + 5);
}

TEST_F(Calls, VersionFiveLocalsStartAtZero) {
    StoryBuilder story(5);
    story.At(0x2000);
    const int32_t routine = story.Routine(2);
    story.Code(Quit());
    story.At(StoryBuilder::kCode)
        .Code(OpVar(kCallVs, {L(story.Packed(routine)), C(7)}) + Store(16));
    Start(story);
    machine->Step();
    EXPECT_EQ(machine->CurrentRoutine().Locals[1], 7);
    EXPECT_EQ(machine->CurrentRoutine().Locals[2], 0);
    EXPECT_EQ(machine->PC(), routine + 1);
}

TEST_F(Calls, ResultsReachEveryKindOfVariable) {
    StoryBuilder story(5);
    story.At(0x2000);
    const int32_t routine = story.Routine(0);
    story.Code(Op1(11, L(0x1234))); // ret 0x1234
    const int packed = story.Packed(routine);
    story.At(StoryBuilder::kCode);
    const int32_t main = story.Routine(3);
    story.Code(OpVar(kCallVs, {L(packed)}) + Store(0) +   // to the stack
               OpVar(kCallVs, {L(packed)}) + Store(2) +   // to local 2
               OpVar(kCallVs, {L(packed)}) + Store(200) + // to a global
               OpVar(kCallVn, {L(packed)}) +              // discarded
               Op1(8, L(packed)) + Store(3) +             // call_1s
               Op2(25, L(packed), C(9)) + Store(1) +      // call_2s
               Op0(10));
    story.At(StoryBuilder::kCode + 0x100)
        .StartHere()
        .Code(OpVar(kCallVs, {L(story.Packed(main))}) + Store(16) + Quit());
    Start(story);
    // Run until the quit inside main.
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit) << fault;
    EXPECT_EQ(machine->FrameIndex(), 1);
    EXPECT_EQ(machine->StackPointer(), 1);
    EXPECT_EQ(machine->StackValue(1), 0x1234);
    EXPECT_EQ(machine->CurrentRoutine().Locals[2], 0x1234);
    EXPECT_EQ(machine->CurrentRoutine().Locals[3], 0x1234);
    EXPECT_EQ(machine->CurrentRoutine().Locals[1], 0x1234);
    EXPECT_EQ(Global(200), 0x1234);
}

TEST_F(Calls, ReturnDropsTheRoutinesStackAndPushesOneValue) {
    StoryBuilder story(5);
    story.At(0x2000);
    const int32_t routine = story.Routine(0);
    story.Code(OpVar(kPush, {C(1)}) + OpVar(kPush, {C(2)}) + OpVar(kPush, {C(3)}) +
               Op0(8)); // ret_popped
    story.At(StoryBuilder::kCode)
        .Code(OpVar(kPush, {C(99)}) + OpVar(kCallVs, {L(story.Packed(routine))}) + Store(0) +
              Quit());
    Start(story);
    Run();
    EXPECT_EQ(machine->StackPointer(), 2);
    EXPECT_EQ(machine->StackValue(1), 99);
    EXPECT_EQ(machine->StackValue(2), 3);
}

TEST_F(Calls, CallingAddressZeroStoresFalse) {
    StoryBuilder story(5);
    story.SetGlobal(17, 5);
    story.Code(OpVar(kCallVs, {C(0)}) + Store(0) + OpVar(kCallVs, {C(0), C(4)}) + Store(17) +
               OpVar(kCallVn, {C(0)}) + Quit());
    Start(story);
    Run();
    EXPECT_EQ(machine->StackPointer(), 1);
    EXPECT_EQ(machine->StackValue(1), 0);
    EXPECT_EQ(Global(17), 0);
    EXPECT_EQ(machine->FrameIndex(), 0);
}

TEST_F(Calls, BranchOffsetsZeroAndOneReturn) {
    StoryBuilder story(5);
    story.At(0x2000);
    const int32_t returnsTrue = story.Routine(0);
    // jz 1 [false] rtrue: the condition (false) equals the branch sense, so it returns true.
    story.Code(Op1(0, C(1)) + BranchBy(false, 1) + Rfalse());
    const int32_t returnsFalse = story.Routine(0);
    story.Code(Op1(0, C(0)) + BranchBy(true, 0) + Rtrue());
    story.At(StoryBuilder::kCode)
        .Code(OpVar(kCallVs, {L(story.Packed(returnsTrue))}) + Store(16) +
              OpVar(kCallVs, {L(story.Packed(returnsFalse))}) + Store(17) + Quit());
    story.SetGlobal(17, 9);
    Start(story);
    Run();
    EXPECT_EQ(Global(16), 1);
    EXPECT_EQ(Global(17), 0);
}

TEST_F(Calls, CheckArgCount) {
    StoryBuilder story(5);
    story.At(0x2000);
    const int32_t routine = story.Routine(3);
    // Returns 1 when at least two arguments were passed.
    story.Code(OpVar(31, {C(2)}) + BranchBy(true, 1) + Rfalse());
    const int packed = story.Packed(routine);
    story.At(StoryBuilder::kCode)
        .Code(OpVar(kCallVs, {L(packed), C(1)}) + Store(16) +
              OpVar(kCallVs, {L(packed), C(1), C(2)}) + Store(17) + Quit());
    Start(story);
    Run();
    EXPECT_EQ(Global(16), 0);
    EXPECT_EQ(Global(17), 1);
}

TEST_F(Calls, JumpIsRelativeToTheNextInstruction) {
    StoryBuilder story(5);
    story.Code(Op1(12, C(2)) + Op1(12, L(6)) + Op2(kStore, C(16), C(1)) + Quit() +
               Op2(kStore, C(16), C(2)) + Quit());
    Start(story);
    Run();
    EXPECT_EQ(Global(16), 2);
}

TEST_F(Calls, ReturningFromTheFirstFrameEndsTheGame) {
    StoryBuilder story(5);
    story.Code(Rtrue());
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
}

TEST_F(Calls, StackUnderflowIsReportedAndTheFrameBaseValueUsed) {
    StoryBuilder story(5);
    story.Code(Op2(kAdd, V(0), C(1)) + Store(16) + Quit());
    Start(story);
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Stack Underflow");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(machine->StackPointer(), 0);
    EXPECT_EQ(Global(16), 1);
}

TEST_F(Calls, PullAndPop) {
    StoryBuilder story(5);
    story.Code(OpVar(kPush, {C(4)}) + OpVar(kPush, {C(5)}) + OpVar(kPush, {C(6)}) +
               OpVar(kPull, {C(16)}) + // g00 = 6
               OpVar(kPull, {C(0)}) +  // pops 5 and writes it over the 4 below it
               Quit());
    Start(story);
    Run();
    EXPECT_EQ(Global(16), 6);
    EXPECT_EQ(machine->StackPointer(), 1);
    EXPECT_EQ(machine->StackValue(1), 5);

    StoryBuilder pop(3);
    pop.Code(OpVar(kPush, {C(1)}) + Op0(9) + Quit());
    Start(pop);
    Run();
    EXPECT_EQ(machine->StackPointer(), 0);
    for (const auto& message : host.messages)
        ADD_FAILURE() << message.text;
}

TEST_F(Calls, ScanTableSearchesWordsOrBytesInFieldsOfAnySize) {
    StoryBuilder story(5);
    story.Bytes(0x2000, {0, 1, 0, 2, 0, 3, 0, 4});
    story.Code(OpVar(23, {C(3), L(0x2000), C(4)}) + Store(16) + BranchBy(true, 2 + 0) +
               OpVar(23, {C(3), L(0x2000), C(8), C(0x01)}) + Store(17) + BranchBy(true, 2 + 0) +
               OpVar(23, {C(4), L(0x2000), C(4), C(0x02)}) + Store(18) + BranchBy(true, 2 + 0) +
               OpVar(23, {C(9), L(0x2000), C(4)}) + Store(19) + BranchBy(true, 2 + 0) +
               OpVar(23, {C(1), L(0x2000), C(0)}) + Store(20) + BranchBy(true, 2 + 0) + Quit());
    Start(story);
    Run();
    EXPECT_EQ(Global(16), 0x2004); // words
    EXPECT_EQ(Global(17), 0x2005); // bytes, one apart
    EXPECT_EQ(Global(18), 0);      // bytes two apart: the 4 is at an odd offset
    EXPECT_EQ(Global(19), 0);
    EXPECT_EQ(Global(20), 0); // an empty table finds nothing
}

TEST_F(Calls, StackOverflowIsAStoryFault) {
    StoryBuilder story(5);
    // push 1; jump back to the push (the jump's next instruction is 6 bytes on).
    story.Code(OpVar(kPush, {C(1)}) + Op1(12, L(-6 + 2)));
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
    EXPECT_NE(fault.find("stack overflow"), std::string::npos);
    EXPECT_EQ(machine->StackPointer(), kStackSize);
}

TEST_F(Calls, DeepRecursionIsAStoryFault) {
    StoryBuilder story(5);
    story.At(0x2000);
    const int32_t routine = story.Routine(0);
    story.Code(OpVar(kCallVn, {L(story.Packed(routine))}) + Rtrue());
    story.At(StoryBuilder::kCode).Code(OpVar(kCallVn, {L(story.Packed(routine))}) + Quit());
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
    EXPECT_NE(fault.find("nested too deeply"), std::string::npos);
    EXPECT_EQ(machine->FrameIndex(), kMaxFrameIndex);
}

TEST_F(Calls, TooManyLocalsIsAStoryFault) {
    StoryBuilder story(5);
    story.At(0x2000).Code({16, 0xB0});
    story.At(StoryBuilder::kCode).Code(OpVar(kCallVn, {L(0x2000 / 4)}) + Quit());
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
    EXPECT_NE(fault.find("16 locals"), std::string::npos);
}

TEST_F(Calls, ACallPastTheImageIsAStoryFault) {
    StoryBuilder story(5);
    story.Code(OpVar(kCallVn, {L(0xFFFF)}) + Quit());
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
    EXPECT_NE(fault.find("outside the story file"), std::string::npos);
}

TEST_F(Calls, AJumpBeforeTheStoryIsAFaultAtTheJumpsUnsignedAddress) {
    StoryBuilder story(5);
    story.Code(Op1(12, L(-0x2000)) + Quit()); // JUMP to 0x1000 - 0x2000 + 1
    const std::string path = ::testing::TempDir() + "lantern-negative-jump.z5";
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(story.Raw().data()),
                   static_cast<std::streamsize>(story.Raw().size()));
    }
    Start(story);
    const GameOutcome outcome = machine->RunGame(path);
    EXPECT_EQ(outcome.kind, GameOutcome::Kind::Fault);
    EXPECT_EQ(outcome.message, "Story fault at address 001000: JUMP to a negative address.");
    std::remove(path.c_str());
}

TEST_F(Calls, PackedAddressesFollowTheVersion) {
    StoryBuilder v3(3);
    Start(v3);
    EXPECT_EQ(machine->UnpackAddress(0x1234, true), 0x2468);
    StoryBuilder v5(5);
    Start(v5);
    EXPECT_EQ(machine->UnpackAddress(0x1234, false), 0x48D0);
    StoryBuilder v8(8);
    Start(v8);
    EXPECT_EQ(machine->UnpackAddress(0x1234, true), 0x91A0);
    StoryBuilder v7(7);
    v7.Word(0x28, 0x100).Word(0x2A, 0x10);
    Start(v7);
    EXPECT_EQ(machine->UnpackAddress(0x1234, true), 0x50D0);
    EXPECT_EQ(machine->UnpackAddress(0x1234, false), 4 * (0x1234 + 0x20));
}

TEST_F(Calls, VersionSixStartsByCallingItsMainRoutine) {
    StoryBuilder story(6);
    story.At(0x2000);
    const int32_t main = story.Routine(1);
    story.Code(Op2(kStore, C(16), C(3)) + Rtrue());
    story.Word(0x06, story.Packed(main));
    Start(story);
    EXPECT_EQ(machine->FrameIndex(), 1);
    EXPECT_EQ(machine->PC(), main + 1);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(Global(16), 3);
}

} // namespace
} // namespace lantern::test
