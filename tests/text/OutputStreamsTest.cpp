#include "text/OutputStreams.h"

#include "memory/StoryError.h"

#include <gtest/gtest.h>

namespace lantern {
namespace {

class Streams : public ::testing::Test {
  protected:
    Streams() : image(std::vector<uint8_t>(0x400, 0xEE)), streams(image) {
        streams.SetScreenWriter([this](std::string_view text) { screen += text; });
        streams.Reset();
    }

    std::string Table(int32_t address) {
        std::string text;
        const int length = image.ReadWord(address, true);
        for (int i = 0; i < length; ++i)
            text += static_cast<char>(image.ReadByte(address + 2 + i));
        return text;
    }

    StoryImage image;
    OutputStreams streams;
    std::string screen;
};

TEST_F(Streams, StreamOneGoesToTheScreenWriter) {
    EXPECT_TRUE(streams.IsSelected(1));
    streams.PrintText("Hello");
    streams.OutputStream(-1, 0);
    streams.PrintText(" lost");
    streams.OutputStream(1, 0);
    streams.PrintText("!");
    EXPECT_EQ(screen, "Hello!");
}

TEST_F(Streams, AMemoryStreamWritesItsLengthAndCharactersAndHidesTheScreen) {
    streams.OutputStream(3, 0x100);
    streams.PrintText("ab");
    EXPECT_EQ(image.ReadWord(0x100), 2);
    EXPECT_EQ(image.ReadByte(0x102), 'a');
    EXPECT_EQ(image.ReadByte(0x103), 'b');
    EXPECT_EQ(image.ReadByte(0x104), 0xEE); // nothing past the text
    streams.PrintText("c");
    EXPECT_EQ(Table(0x100), "abc");
    EXPECT_EQ(screen, "");
    streams.OutputStream(-3, 0);
    EXPECT_FALSE(streams.IsSelected(3));
    streams.PrintText("shown");
    EXPECT_EQ(screen, "shown");
    EXPECT_EQ(Table(0x100), "abc");
}

TEST_F(Streams, ALineBreakIsStoredAsTheSingleCharacterThirteen) {
    streams.OutputStream(3, 0x100);
    streams.PrintText("a\r\nb");
    streams.PrintText("\r\n");
    EXPECT_EQ(Table(0x100), "a\rb\r");
    streams.PrintText("\r");
    streams.PrintText("\n"); // a lone line feed is the story's own character
    EXPECT_EQ(Table(0x100), "a\rb\r\r\n");
}

TEST_F(Streams, NestedMemoryStreamsReturnToTheOuterTable) {
    streams.OutputStream(3, 0x100);
    streams.PrintText("outer(");
    streams.OutputStream(3, 0x200);
    streams.PrintText("inner");
    streams.OutputStream(-3, 0);
    EXPECT_TRUE(streams.IsSelected(3));
    EXPECT_EQ(streams.MemoryStreamDepth(), 1);
    streams.PrintText(")");
    streams.OutputStream(-3, 0);
    EXPECT_EQ(streams.MemoryStreamDepth(), 0);
    EXPECT_FALSE(streams.IsSelected(3));
    EXPECT_EQ(Table(0x100), "outer()");
    EXPECT_EQ(Table(0x200), "inner");
    EXPECT_EQ(screen, "");
    // Reopening a table starts it afresh.
    streams.OutputStream(3, 0x200);
    streams.PrintText("x");
    streams.OutputStream(-3, 0);
    EXPECT_EQ(Table(0x200), "x");
}

TEST_F(Streams, SixteenLevelsNestAndASeventeenthIsAFault) {
    for (int level = 0; level < OutputStreams::kMaxMemoryStreams; ++level)
        streams.OutputStream(3, 0x20 * level);
    EXPECT_EQ(streams.MemoryStreamDepth(), 16);
    EXPECT_THROW(streams.OutputStream(3, 0x300), StoryError);
    EXPECT_EQ(streams.MemoryStreamDepth(), 16);
    streams.PrintText("z");
    EXPECT_EQ(Table(0x1E0), "z");
}

TEST_F(Streams, ClosingWithNoMemoryStreamOpenChangesNothing) {
    streams.OutputStream(-3, 0);
    EXPECT_EQ(streams.MemoryStreamDepth(), 0);
    streams.PrintText("x");
    EXPECT_EQ(screen, "x");
}

TEST_F(Streams, AMemoryTableRunningPastTheImageIsAFault) {
    streams.OutputStream(3, 0x3FC);
    streams.PrintText("ab"); // 0x3FE and 0x3FF
    streams.PrintText("c");  // 0x400 is the extra byte after the file
    EXPECT_THROW(streams.PrintText("d"), StoryError);
}

TEST_F(Streams, OtherStreamNumbersKeepOnlyTheirFlagsOrAreIgnored) {
    streams.OutputStream(2, 0);
    streams.OutputStream(4, 0);
    EXPECT_TRUE(streams.IsSelected(2));
    EXPECT_TRUE(streams.IsSelected(4));
    streams.OutputStream(-2, 0);
    EXPECT_FALSE(streams.IsSelected(2));
    streams.OutputStream(0, 0);
    streams.OutputStream(5, 0);
    streams.OutputStream(-7, 0);
    streams.OutputStream(0x7FFF, 0);
    EXPECT_FALSE(streams.IsSelected(0));
    EXPECT_FALSE(streams.IsSelected(5));
    EXPECT_TRUE(streams.IsSelected(1));
    streams.PrintText("still here");
    EXPECT_EQ(screen, "still here");
    streams.OutputStream(3, 0x100);
    streams.Reset();
    EXPECT_EQ(streams.MemoryStreamDepth(), 0);
    EXPECT_FALSE(streams.IsSelected(3));
    EXPECT_FALSE(streams.IsSelected(4));
}

} // namespace
} // namespace lantern
