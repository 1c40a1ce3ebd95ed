#include "memory/StoryImage.h"

#include "memory/StoryError.h"

#include <gtest/gtest.h>

namespace lantern {
namespace {

StoryImage ImageOf(std::vector<uint8_t> bytes) {
    return StoryImage(std::move(bytes));
}

TEST(StoryImage, WordsAreBigEndianAndSignedUnlessAsked) {
    StoryImage image = ImageOf({0xFF, 0xFE, 0, 0});
    EXPECT_EQ(image.ReadWord(0), -2);
    EXPECT_EQ(image.ReadWord(0, true), 65534);
    image.WriteWord(2, -1);
    EXPECT_EQ(image.ReadByte(2), 0xFF);
    EXPECT_EQ(image.ReadByte(3), 0xFF);
    image.WriteWord(0, 0x12345);
    EXPECT_EQ(image.ReadByte(0), 0x23);
    EXPECT_EQ(image.ReadByte(1), 0x45);
    image.WriteByte(1, 0x1FF);
    EXPECT_EQ(image.ReadByte(1), 0xFF);
}

TEST(StoryImage, TheExtraByteAfterTheFileReadsZeroAndNothingBeyondIsReachable) {
    StoryImage image = ImageOf({1, 2, 3});
    EXPECT_EQ(image.Size(), 3);
    EXPECT_EQ(image.ReadByte(3), 0);
    EXPECT_THROW(image.ReadByte(4), StoryError);
    EXPECT_THROW(image.ReadByte(-1), StoryError);
    EXPECT_THROW(image.ReadWord(3), StoryError); // its second byte is outside
    EXPECT_THROW(image.WriteWord(3, 0), StoryError);
    EXPECT_THROW(image.WriteByte(0x7FFFFFFF, 0), StoryError);
    EXPECT_EQ(image.ReadByte(2), 3); // nothing was written by the refused writes
}

TEST(StoryImage, HexStringHasAnEvenCountOfUpperCaseDigits) {
    EXPECT_EQ(HexString(0), "00");
    EXPECT_EQ(HexString(5), "05");
    EXPECT_EQ(HexString(0xAB), "AB");
    EXPECT_EQ(HexString(0x123), "0123");
    EXPECT_EQ(HexString(-1), "FFFF");
    EXPECT_EQ(HexString(0x12345), "2345");
}

} // namespace
} // namespace lantern
