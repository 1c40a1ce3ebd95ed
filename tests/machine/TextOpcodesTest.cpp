// The print, output-stream and tokenise opcodes, run in the machine.
#include "support/MachineFixture.h"
#include "support/ObjectBuilder.h"
#include "support/ZCodes.h"

namespace lantern::test {
namespace {

constexpr int kQuit = 0xBA;
constexpr int kNewLine = 0xBB;

class TextOpcodes : public MachineFixture {};

TEST_F(TextOpcodes, InlineStringsAreSteppedOverByTheirLength) {
    StoryBuilder b(5);
    b.Code({0xB2}).Code(b.Encode("hello, world")); // print: several words
    b.Code({kNewLine, 0xB2}).Code(b.Encode("Hi"));
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(output, "hello, world\r\nHi");
}

TEST_F(TextOpcodes, PrintRetPrintsALineBreakAndReturnsTrue) {
    StoryBuilder b(5);
    const int32_t routine = b.Routine(0);
    b.Code({0xB3}).Code(b.Encode("done"));
    b.At(0x1100).StartHere();
    b.Code({0xE0, 0x3F, b.Packed(routine) >> 8, b.Packed(routine) & 0xFF, 0x10}); // call -> G16
    b.Code({0xB2}).Code(b.Encode("back"));
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(output, "done\r\nback");
    EXPECT_EQ(Global(16), 1);
}

TEST_F(TextOpcodes, AnInlineStringRunningOffTheImageIsAFaultAfterItPrints) {
    StoryBuilder b(3, 0x1008);
    b.Code({0xB2}).Code(PackZChars({6, 7, 8, 9, 10, 11}, false)); // no end bit
    b.Code({0x24, 0x9A});                                         // one more word, still none
    Start(b);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
    EXPECT_EQ(output.substr(0, 6), "abcdef");
}

TEST_F(TextOpcodes, PrintAddrPaddrCharAndNum) {
    StoryBuilder b(5);
    b.ZString(0x2000, "at");
    b.ZString(0x2004, "packed");
    b.Code({0x87, 0x20, 0x00});       // print_addr 0x2000
    b.Code({0x8D, 0x08, 0x01});       // print_paddr 0x801 (0x2004)
    b.Code({0xE5, 0x7F, '!'});        // print_char '!'
    b.Code({0xE5, 0x3F, 0x01, 0x00}); // print_char 256: nothing
    b.Code({0xE6, 0x3F, 0x80, 0x00}); // print_num -32768
    b.Code({0xE5, 0x7F, ' '});
    b.Code({0xE6, 0x7F, 0}); // print_num 0
    b.Code({0xE5, 0x7F, ' '});
    b.Code({0xE6, 0x3F, 0x30, 0x39}); // print_num 12345
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(output, "atpacked!-32768 0 12345");
}

TEST_F(TextOpcodes, OutputStreamThreeCapturesTextIntoTheTable) {
    StoryBuilder b(5);
    b.Code({0xF3, 0x4F, 3, 0x20, 0x00}); // output_stream 3 0x2000
    b.Code({0xB2}).Code(b.Encode("ab"));
    b.Code({kNewLine});
    b.Code({0xF3, 0x4F, 3, 0x21, 0x00}); // output_stream 3 0x2100 (nested)
    b.Code({0xE6, 0x7F, 42});
    b.Code({0xF3, 0x3F, 0xFF, 0xFD}); // output_stream -3
    b.Code({0xE5, 0x7F, 'c'});
    b.Code({0xF3, 0x3F, 0xFF, 0xFD}); // output_stream -3
    b.Code({0xB2}).Code(b.Encode("seen"));
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(output, "seen");
    const StoryImage& story = machine->Story();
    EXPECT_EQ(story.ReadWord(0x2000), 4);
    EXPECT_EQ(story.ReadByte(0x2002), 'a');
    EXPECT_EQ(story.ReadByte(0x2003), 'b');
    EXPECT_EQ(story.ReadByte(0x2004), 13);
    EXPECT_EQ(story.ReadByte(0x2005), 'c');
    EXPECT_EQ(story.ReadWord(0x2100), 2);
    EXPECT_EQ(story.ReadByte(0x2102), '4');
    EXPECT_EQ(story.ReadByte(0x2103), '2');
}

TEST_F(TextOpcodes, OutputStreamOperandsArePoppedAndStreamThreeNeedsATable) {
    StoryBuilder b(5);
    b.Code({0xE8, 0x7F, 9});    // push 9
    b.Code({0xE8, 0x7F, 2});    // push 2
    b.Code({0xF3, 0xAF, 0, 0}); // output_stream sp sp: stream 2, table 9
    b.Code({0xF3, 0x7F, 3});    // output_stream 3 without a table
    b.Code({kQuit});
    Start(b);
    EXPECT_EQ(Run(), GameOutcome::Kind::Fault);
    EXPECT_EQ(fault, "output stream 3 selected without a table");
    EXPECT_TRUE(machine->Streams().IsSelected(2));
    EXPECT_EQ(machine->StackPointer(), 0);
}

TEST_F(TextOpcodes, TokeniseReadsAllOperandsAndHonoursADictionaryOfTheStory) {
    StoryBuilder b(5);
    // The main dictionary knows "lamp"; the story's own one at 0x2800 knows "take".
    b.Bytes(StoryBuilder::kDictionary, {0, 9, 0, 1});
    const std::vector<uint8_t> lamp = PackZChars({17, 6, 18, 21, 5, 5, 5, 5, 5});
    const std::vector<uint8_t> take = PackZChars({25, 6, 16, 10, 5, 5, 5, 5, 5});
    for (size_t i = 0; i < 6; ++i) {
        b.Byte(StoryBuilder::kDictionary + 4 + static_cast<int32_t>(i), lamp[i]);
        b.Byte(0x2800 + 4 + static_cast<int32_t>(i), take[i]);
    }
    b.Bytes(0x2800, {0, 9, 0xFF, 0xFF}); // one unsorted entry
    // Text buffer at 0x2000 ("take lamp"), parse buffers at 0x2100 and 0x2200.
    b.Bytes(0x2000, {20, 9, 't', 'a', 'k', 'e', ' ', 'l', 'a', 'm', 'p'});
    b.Byte(0x2100, 4).Byte(0x2200, 4);
    b.Word(0x2200 + 6, 0xBEEF);                   // the second record, to be left alone
    b.Code({0xFB, 0x0F, 0x20, 0x00, 0x21, 0x00}); // tokenise text parse
    b.Code({0xE8, 0x7F, 1});                      // push 1
    b.Code({0xFB, 0x02, 0x20, 0x00, 0x22, 0x00, 0x28, 0x00, 0x00}); // ... dict sp
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(fault, "");
    const StoryImage& story = machine->Story();
    EXPECT_EQ(story.ReadByte(0x2101), 2);
    EXPECT_EQ(story.ReadWord(0x2102), 0);
    EXPECT_EQ(story.ReadWord(0x2106), StoryBuilder::kDictionary + 4);
    EXPECT_EQ(story.ReadByte(0x2201), 2);
    EXPECT_EQ(story.ReadWord(0x2202), 0x2804);
    EXPECT_EQ(story.ReadByte(0x2205), 2);
    EXPECT_EQ(story.ReadWord(0x2206, true), 0xBEEF); // unknown to that dictionary: untouched
    EXPECT_EQ(machine->StackPointer(), 0);
}

TEST_F(TextOpcodes, DictionaryAndAbbreviationsAreLoadedWithTheStory) {
    StoryBuilder b(3);
    b.Word(StoryBuilder::kAbbreviations + 2 * 33, 0x2000 / 2);
    b.ZString(0x2000, "lantern");
    b.Bytes(StoryBuilder::kDictionary, {1, ',', 7, 0, 0});
    b.Code({0xB2}).Code(PackZChars({2, 1, 0, 6}));
    b.Code({kQuit});
    Start(b);
    Run();
    EXPECT_EQ(output, "lantern a");
    EXPECT_TRUE(machine->Dictionary().IsSeparator(','));
}

} // namespace
} // namespace lantern::test
