#include "support/Assembler.h"
#include "support/MachineFixture.h"

namespace lantern::test {
namespace {

class Arithmetic : public MachineFixture {
  protected:
    /// Runs `op a b -> G00` and returns G00 as a signed value.
    int32_t Result2(int op, Operand a, Operand b) {
        StoryBuilder story(5);
        story.Code(Op2(op, a, b) + Store(16) + Quit());
        Start(story);
        EXPECT_EQ(Run(), GameOutcome::Kind::Quit) << fault;
        return Global(16);
    }
    int32_t ResultExt(int op, Operand a, Operand b) {
        StoryBuilder story(5);
        story.Code(OpExt(op, {a, b}) + Store(16) + Quit());
        Start(story);
        EXPECT_EQ(Run(), GameOutcome::Kind::Quit) << fault;
        return Global(16);
    }
    /// Runs a branch instruction and tells whether it branched.
    bool Branches(const Bytes& instruction) {
        StoryBuilder story(5);
        // Not taken: G00 = 1; taken: jumps over that store to G00 = 2.
        story.Code(instruction + BranchBy(true, 2 + 4) + Op2(13, C(16), C(1)) + Quit() +
                   Op2(13, C(16), C(2)) + Quit());
        Start(story);
        EXPECT_EQ(Run(), GameOutcome::Kind::Quit) << fault;
        return Global(16) == 2;
    }
};

enum {
    kJe = 1,
    kJl = 2,
    kJg = 3,
    kDecChk = 4,
    kIncChk = 5,
    kTest = 7,
    kOr = 8,
    kAnd = 9,
    kStore = 13,
    kAdd = 20,
    kSub = 21,
    kMul = 22,
    kDiv = 23,
    kMod = 24
};

TEST_F(Arithmetic, WrapsAtSixteenBits) {
    EXPECT_EQ(Result2(kAdd, L(32767), C(1)), -32768);
    EXPECT_EQ(Result2(kSub, L(-32768), C(1)), 32767);
    EXPECT_EQ(Result2(kMul, L(256), L(256)), 0);
    EXPECT_EQ(Result2(kMul, L(-1), L(-32768)), -32768);
    EXPECT_EQ(Result2(kAdd, L(-5), C(3)), -2);
}

TEST_F(Arithmetic, DivisionTruncatesTowardZero) {
    EXPECT_EQ(Result2(kDiv, L(-7), C(2)), -3);
    EXPECT_EQ(Result2(kMod, L(-7), C(2)), -1);
    EXPECT_EQ(Result2(kMod, C(7), L(-2)), 1);
    EXPECT_EQ(Result2(kDiv, L(-32768), L(-1)), -32768);
    EXPECT_EQ(Result2(kMod, L(-32768), L(-1)), 0);
}

TEST_F(Arithmetic, DivisionByZeroIsAStoryFault) {
    StoryBuilder story(5);
    story.Code(Op2(kDiv, C(7), C(0)) + Store(16) + Quit());
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
    EXPECT_NE(fault.find("division by zero"), std::string::npos);
    StoryBuilder mod(5);
    mod.Code(Op2(kMod, C(7), C(0)) + Store(16) + Quit());
    Start(mod);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
}

TEST_F(Arithmetic, LogicOperatesOnPatterns) {
    EXPECT_EQ(Result2(kOr, L(0xFF00), L(0x00FF)), -1);
    EXPECT_EQ(Result2(kAnd, L(0xFF0F), L(0x0FF0)), 0x0F00);
    StoryBuilder story(5);
    story.Code(OpVar(24, {L(0x00FF)}) + Store(16) + Quit()); // VAR not
    Start(story);
    Run();
    EXPECT_EQ(Global(16), static_cast<int16_t>(0xFF00));
    StoryBuilder v3(3);
    v3.Code(Op1(15, L(0)) + Store(16) + Quit()); // 1OP not in version 3
    Start(v3);
    Run();
    EXPECT_EQ(Global(16), -1);
}

TEST_F(Arithmetic, Shifts) {
    EXPECT_EQ(ResultExt(2, C(1), C(15)), -32768);
    EXPECT_EQ(ResultExt(2, L(-1), L(-1)), 0x7FFF);
    EXPECT_EQ(ResultExt(2, L(0xFFFF), L(-15)), 1);
    EXPECT_EQ(ResultExt(3, L(-1), L(-1)), -1);
    EXPECT_EQ(ResultExt(3, L(-16), L(-2)), -4);
    EXPECT_EQ(ResultExt(3, L(-3), L(-1)), -2);
    EXPECT_EQ(ResultExt(2, C(1), C(16)), 0);
    EXPECT_EQ(ResultExt(3, C(5), C(200)), 0);
    EXPECT_EQ(ResultExt(3, L(-5), L(-100)), -1);
    EXPECT_EQ(ResultExt(2, L(0x8000), L(-100)), 0);
}

TEST_F(Arithmetic, Comparisons) {
    EXPECT_TRUE(Branches(Op1(0, C(0)))); // jz 0
    EXPECT_FALSE(Branches(Op1(0, L(-1))));
    EXPECT_TRUE(Branches(Op2(kJl, L(-2), C(1))));
    EXPECT_FALSE(Branches(Op2(kJl, C(1), C(1))));
    EXPECT_TRUE(Branches(Op2(kJg, C(1), L(-1))));
    EXPECT_FALSE(Branches(Op2(kJg, L(0x8000), C(0)))); // -32768 is not greater
    EXPECT_TRUE(Branches(Op2(kTest, C(0x1F), C(0x11))));
    EXPECT_FALSE(Branches(Op2(kTest, C(0x0F), C(0x11))));
}

TEST_F(Arithmetic, JeComparesWithEveryLaterOperand) {
    EXPECT_TRUE(Branches(OpVar(kJe, {C(5), C(1), C(2), C(5)}, true)));
    EXPECT_FALSE(Branches(OpVar(kJe, {C(5), C(1), C(2), C(3)}, true)));
    EXPECT_FALSE(Branches(OpVar(kJe, {C(5)}, true))); // a single operand never matches
    EXPECT_TRUE(Branches(Op2(kJe, L(-1), L(0xFFFF))));
}

TEST_F(Arithmetic, IncAndDecWrapAndCompareSigned) {
    StoryBuilder story(5);
    story.SetGlobal(16, 32767).SetGlobal(17, 0x8000);
    story.Code(Op1(5, C(16)) + Op1(6, C(17)) + Quit()); // inc g00, dec g01
    Start(story);
    Run();
    EXPECT_EQ(Global(16), -32768);
    EXPECT_EQ(Global(17), 32767);

    StoryBuilder check(5);
    check.SetGlobal(20, 32767);
    // inc_chk g04 0: the new value, -32768, is not greater than 0.
    check.Code(Op2(kIncChk, C(20), C(0)) + BranchBy(true, 2 + 4) + Op2(kStore, C(16), C(1)) +
               Quit() + Op2(kStore, C(16), C(2)) + Quit());
    Start(check);
    Run();
    EXPECT_EQ(Global(16), 1);
    EXPECT_EQ(Global(20), -32768);

    EXPECT_TRUE(Branches(Op2(kDecChk, C(21), C(0))));  // g05 = 0 - 1 < 0
    EXPECT_FALSE(Branches(Op2(kIncChk, C(21), C(5)))); // 1 > 5 is false
}

TEST_F(Arithmetic, VariableNameOpcodesWorkInPlaceOnTheStack) {
    StoryBuilder story(5);
    story.Code(OpVar(8, {C(41)}) +        // push 41
               Op1(5, C(0)) +             // inc sp: the top becomes 42, depth unchanged
               Op1(14, C(0)) + Store(0) + // load sp -> sp: pushes a copy
               Op2(kStore, C(0), C(7)) +  // store sp 7: replaces the top
               Quit());
    Start(story);
    Run();
    EXPECT_EQ(machine->StackPointer(), 2);
    EXPECT_EQ(machine->StackValue(1), 42);
    EXPECT_EQ(machine->StackValue(2), 7);
}

TEST_F(Arithmetic, RandomIsInRangeAndReproducibleFromANegativeSeed) {
    StoryBuilder story(5);
    auto draw = [](int variable) { return OpVar(7, {C(6)}) + Store(variable); };
    story.Code(OpVar(7, {L(-5)}) + Store(30) + draw(16) + draw(17) + draw(18) + OpVar(7, {L(-5)}) +
               Store(30) + draw(19) + draw(20) + draw(21) + OpVar(7, {C(1)}) + Store(22) +
               OpVar(7, {C(0)}) + Store(23) + Quit());
    Start(story);
    Run();
    for (int g = 16; g <= 21; ++g) {
        EXPECT_GE(Global(g), 1);
        EXPECT_LE(Global(g), 6);
    }
    EXPECT_EQ(Global(16), Global(19));
    EXPECT_EQ(Global(17), Global(20));
    EXPECT_EQ(Global(18), Global(21));
    EXPECT_EQ(Global(30), 0);
    EXPECT_EQ(Global(22), 1);
    EXPECT_EQ(Global(23), 0);
}

TEST_F(Arithmetic, RandomCoversItsRangeUniformly) {
    Random random(7);
    int counts[4] = {};
    for (int i = 0; i < 40000; ++i)
        ++counts[random.Next(4) - 1];
    for (int count : counts) {
        EXPECT_GT(count, 9400);
        EXPECT_LT(count, 10600);
    }
    EXPECT_EQ(random.Next(1), 1);
    Random big(9);
    for (int i = 0; i < 1000; ++i) {
        const int32_t v = big.Next(32767);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 32767);
    }
}

} // namespace
} // namespace lantern::test
