#include "machine/Decoder.h"

#include "memory/StoryError.h"
#include "support/StoryBuilder.h"

#include <gtest/gtest.h>

namespace lantern {
namespace {

using test::StoryBuilder;

class InstructionDecoding : public ::testing::Test {
  protected:
    zInstruction Decode(std::initializer_list<int> bytes, int version = 5) {
        StoryBuilder builder(version);
        builder.Code(bytes);
        story = builder.Build();
        zInstruction in;
        DecodeInstruction(story, StoryBuilder::kCode, version, text, in);
        return in;
    }
    StoryImage story;
    ZText text;
};

constexpr int kAt = StoryBuilder::kCode;

TEST_F(InstructionDecoding, LongFormAddWithStore) {
    const zInstruction in = Decode({0x14, 0x05, 0x07, 0x10});
    EXPECT_EQ(in.OpCodeType, kOp2);
    EXPECT_EQ(in.OpCode, 20);
    EXPECT_EQ(in.OperandCount, 2);
    EXPECT_EQ(in.Operand[1], 5);
    EXPECT_EQ(in.Operand[2], 7);
    EXPECT_EQ(in.OperandType[1], kSmallConstant);
    EXPECT_EQ(in.OperandType[2], kSmallConstant);
    EXPECT_EQ(in.Store, 0x10);
    EXPECT_EQ(in.NextInstr, kAt + 4);
}

TEST_F(InstructionDecoding, LongFormOperandTypesComeFromBitsSixAndFive) {
    EXPECT_EQ(Decode({0x34, 1, 2, 0}).OperandType[2], kVariable); // 0x20: second a variable
    EXPECT_EQ(Decode({0x34, 1, 2, 0}).OperandType[1], kSmallConstant);
    EXPECT_EQ(Decode({0x54, 1, 2, 0}).OperandType[1], kVariable); // 0x40: first a variable
    EXPECT_EQ(Decode({0x54, 1, 2, 0}).OperandType[2], kSmallConstant);
    const zInstruction both = Decode({0x74, 1, 2, 0});
    EXPECT_EQ(both.OperandType[1], kVariable);
    EXPECT_EQ(both.OperandType[2], kVariable);
}

TEST_F(InstructionDecoding, VariableFormCallWithOneLargeOperand) {
    const zInstruction in = Decode({0xE0, 0x3F, 0x12, 0x34, 0x00});
    EXPECT_EQ(in.OpCodeType, kOpVar);
    EXPECT_EQ(in.OpCode, 0);
    EXPECT_EQ(in.OperandCount, 1);
    EXPECT_EQ(in.Operand[1], 0x1234);
    EXPECT_EQ(in.Store, 0);
    EXPECT_EQ(in.NextInstr, kAt + 5);
}

TEST_F(InstructionDecoding, TypeScanStopsAtTheFirstOmittedPair) {
    // 0x4D: small, large, omitted, small: the pair after the omitted one is ignored.
    const zInstruction in = Decode({0xE1, 0x4D, 0x09, 0x12, 0x34});
    EXPECT_EQ(in.OperandCount, 2);
    EXPECT_EQ(in.OperandType[1], kSmallConstant);
    EXPECT_EQ(in.OperandType[2], kLargeConstant);
    EXPECT_EQ(in.Operand[1], 9);
    EXPECT_EQ(in.Operand[2], 0x1234);
    EXPECT_EQ(in.NextInstr, kAt + 5);
}

TEST_F(InstructionDecoding, DoubleVariableCallsReadASecondTypesByte) {
    const zInstruction in =
        Decode({0xEC, 0x00, 0x3F, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0x07}); // call_vs2, five large
    EXPECT_EQ(in.OperandCount, 5);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(in.Operand[i], i);
    EXPECT_EQ(in.Store, 7);
    EXPECT_EQ(in.NextInstr, kAt + 14);
    // Eight operands, the most there can be.
    const zInstruction full = Decode({0xFA, 0x55, 0x55, 1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(full.OpCode, 26);
    EXPECT_EQ(full.OperandCount, 8);
    EXPECT_EQ(full.Operand[8], 8);
    EXPECT_EQ(full.NextInstr, kAt + 11);
}

TEST_F(InstructionDecoding, VariableFormOfA2OPOpcode) {
    const zInstruction in = Decode({0xC1, 0x57, 5, 1, 2, 0x40 | 10}); // je with three
    EXPECT_EQ(in.OpCodeType, kOp2);
    EXPECT_EQ(in.OpCode, 1);
    EXPECT_EQ(in.OperandCount, 3);
    EXPECT_EQ(in.Operand[3], 2);
    EXPECT_EQ(in.Operand[1], 5);
    EXPECT_EQ(in.NextInstr, kAt + 6);
}

TEST_F(InstructionDecoding, ShortForms) {
    const zInstruction large = Decode({0x8C, 0xFF, 0xFE}); // jump, large constant
    EXPECT_EQ(large.OpCodeType, kOp1);
    EXPECT_EQ(large.OpCode, 12);
    EXPECT_EQ(large.Operand[1], 0xFFFE); // read unsigned
    EXPECT_EQ(large.OperandType[1], kLargeConstant);
    EXPECT_EQ(large.NextInstr, kAt + 3);
    const zInstruction small = Decode({0x9B, 0x05}); // ret small
    EXPECT_EQ(small.OperandType[1], kSmallConstant);
    EXPECT_EQ(small.NextInstr, kAt + 2);
    const zInstruction var = Decode({0xAB, 0x10});
    EXPECT_EQ(var.OperandType[1], kVariable);
    const zInstruction zero = Decode({0xB0}); // rtrue
    EXPECT_EQ(zero.OpCodeType, kOp0);
    EXPECT_EQ(zero.OperandCount, 0);
    EXPECT_EQ(zero.NextInstr, kAt + 1);
}

TEST_F(InstructionDecoding, ExtendedFormReadsLargeConstantsUnsigned) {
    const zInstruction in = Decode({0xBE, 0x02, 0x1F, 0xFF, 0xFF, 0x03, 0x00}); // log_shift
    EXPECT_EQ(in.OpCodeType, kOpExt);
    EXPECT_EQ(in.OpCode, 2);
    EXPECT_EQ(in.OperandCount, 2);
    EXPECT_EQ(in.Operand[1], 0xFFFF);
    EXPECT_EQ(in.Operand[2], 3);
    EXPECT_EQ(in.Store, 0);
    EXPECT_EQ(in.NextInstr, kAt + 7);
    // A variable-form large constant is read signed.
    EXPECT_EQ(Decode({0xE8, 0x3F, 0xFF, 0xFF}).Operand[1], -1);
}

TEST_F(InstructionDecoding, BranchForms) {
    const zInstruction returnFalse = Decode({0x80, 0x00, 0x00, 0xC0}); // jz #0 [true] rfalse
    EXPECT_TRUE(returnFalse.BranchCond);
    EXPECT_EQ(returnFalse.Branch, 0);
    const zInstruction returnTrue = Decode({0x80, 0x00, 0x00, 0x41});
    EXPECT_FALSE(returnTrue.BranchCond);
    EXPECT_EQ(returnTrue.Branch, 1);
    const zInstruction shortJump = Decode({0x80, 0x00, 0x00, 0xC5});
    EXPECT_EQ(shortJump.Branch, kAt + 4 + 5 - 2);
    EXPECT_EQ(shortJump.NextInstr, kAt + 4);
    const zInstruction back = Decode({0x80, 0x00, 0x00, 0x3F, 0xFE}); // two bytes, offset -2
    EXPECT_FALSE(back.BranchCond);
    EXPECT_EQ(back.Branch, kAt + 3 - 2);
    EXPECT_EQ(back.NextInstr, kAt + 5);
    const zInstruction far = Decode({0x80, 0x00, 0x00, 0x81, 0x00}); // offset 256
    EXPECT_TRUE(far.BranchCond);
    EXPECT_EQ(far.Branch, kAt + 5 + 256 - 2);
}

TEST_F(InstructionDecoding, StoreAndBranchTogether) {
    const zInstruction in = Decode({0xA1, 0x10, 0x03, 0xC8}); // get_sibling g00 -> L02 ?label
    EXPECT_EQ(in.Store, 3);
    EXPECT_TRUE(in.BranchCond);
    EXPECT_EQ(in.Branch, kAt + 4 + 8 - 2);
}

TEST_F(InstructionDecoding, SaveAndRestoreCarryWhatTheirVersionGivesThem) {
    const zInstruction v3 = Decode({0xB5, 0xC0}, 3);
    EXPECT_EQ(v3.NextInstr, kAt + 2); // one branch byte
    EXPECT_TRUE(HasBranch(kOp0, 5, 3));
    const zInstruction v4 = Decode({0xB5, 0x07}, 4);
    EXPECT_EQ(v4.Store, 7); // a store byte, not a branch
    EXPECT_EQ(v4.NextInstr, kAt + 2);
    EXPECT_FALSE(HasBranch(kOp0, 6, 4));
    const zInstruction v5 = Decode({0xB5}, 5);
    EXPECT_EQ(v5.NextInstr, kAt + 1);
}

TEST_F(InstructionDecoding, StoreTableFollowsVersions) {
    EXPECT_TRUE(HasStore(kOp1, 15, 4));  // not
    EXPECT_FALSE(HasStore(kOp1, 15, 5)); // call_1n
    EXPECT_TRUE(HasStore(kOpVar, 4, 5));
    EXPECT_FALSE(HasStore(kOpVar, 4, 4));
    EXPECT_TRUE(HasStore(kOpVar, 9, 6));
    EXPECT_FALSE(HasStore(kOpVar, 9, 5));
    EXPECT_TRUE(HasStore(kOp0, 9, 5));
    EXPECT_FALSE(HasStore(kOp0, 9, 4));
    EXPECT_TRUE(HasStore(kOpExt, 10, 5)); // restore_undo
    EXPECT_TRUE(HasStore(kOpExt, 12, 5)); // check_unicode
    EXPECT_FALSE(HasStore(kOpExt, 11, 5));
    for (int op = 15; op <= 25; ++op)
        EXPECT_TRUE(HasStore(kOp2, op, 3)) << op;
    EXPECT_FALSE(HasStore(kOp2, 26, 3));
    EXPECT_TRUE(HasBranch(kOpVar, 23, 8));
    EXPECT_TRUE(HasBranch(kOpExt, 27, 5));
    EXPECT_FALSE(HasBranch(kOpExt, 200, 5)); // past the pattern
    EXPECT_TRUE(HasBranch(kOp0, 15, 8));
}

TEST_F(InstructionDecoding, PrintCarriesItsTextAndStepsOverIt) {
    StoryBuilder builder(5);
    builder.Code({0xB2});
    const std::vector<uint8_t> encoded = builder.Encode("abcdefghi"); // three words
    ASSERT_EQ(encoded.size(), 6u);
    builder.Code(encoded);
    story = builder.Build();
    zInstruction in;
    DecodeInstruction(story, kAt, 5, text, in);
    EXPECT_EQ(in.NextInstr, kAt + 7);
}

TEST_F(InstructionDecoding, AnInstructionRunningOffTheImageIsAStoryFault) {
    StoryBuilder builder(5, 0x1002);
    builder.Code({0xE0, 0x3F});
    story = builder.Build();
    zInstruction in;
    EXPECT_THROW(DecodeInstruction(story, kAt, 5, text, in), StoryError);
    EXPECT_THROW(DecodeInstruction(story, 0x5000, 5, text, in), StoryError);
}

TEST_F(InstructionDecoding, ReusedRecordsForgetTheirOldOperands) {
    zInstruction in;
    StoryBuilder builder(5);
    builder.Code({0xE0, 0x00, 0, 1, 0, 2, 0, 3, 0, 4, 0x00, 0xB0});
    story = builder.Build();
    DecodeInstruction(story, kAt, 5, text, in);
    EXPECT_EQ(in.OperandCount, 4);
    DecodeInstruction(story, kAt + 11, 5, text, in);
    EXPECT_EQ(in.OperandCount, 0);
    EXPECT_EQ(in.Operand[1], 0);
    EXPECT_EQ(in.OperandType[4], kLargeConstant);
}

} // namespace
} // namespace lantern
