#include "support/Assembler.h"
#include "support/MachineFixture.h"

namespace lantern::test {
namespace {

using InputOpcodes = MachineFixture;

constexpr int32_t kText = 0x2000;
constexpr int32_t kParse = 0x2100;

TEST_F(InputOpcodes, ReadInVersionThreeStoresTheLineWithATerminator) {
    StoryBuilder story(3);
    story.Byte(kText, 20).Byte(kParse, 5);
    story.Code(OpVar(4, {L(kText), L(kParse)}) + Quit());
    Start(story);
    host.Type("Look\r");
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    const StoryImage& image = machine->Story();
    EXPECT_EQ(image.ReadByte(kText + 1), 'l'); // stored in lower case
    EXPECT_EQ(image.ReadByte(kText + 4), 'k');
    EXPECT_EQ(image.ReadByte(kText + 5), 0);
    EXPECT_EQ(image.ReadByte(kParse + 1), 1); // one word recorded
    EXPECT_EQ(output, "Look\r\n");
}

TEST_F(InputOpcodes, ReadInVersionFiveStoresTheLengthAndAnswersEnter) {
    StoryBuilder story(5);
    // The story left "gx" in the buffer: the player rubs out the x and goes on.
    story.Byte(kText, 20).Byte(kText + 1, 2).Byte(kText + 2, 'g').Byte(kText + 3, 'x');
    story.Byte(kParse, 5);
    story.Code(OpVar(4, {L(kText), L(kParse)}) + Store(16) + Quit());
    Start(story);
    host.Type("\bo North\r");
    Run();
    EXPECT_EQ(output, "o North\r\n"); // the preloaded text was the story's to print
    const StoryImage& image = machine->Story();
    EXPECT_EQ(image.ReadByte(kText + 1), 8);
    EXPECT_EQ(image.ReadByte(kText + 2), 'g');
    EXPECT_EQ(image.ReadByte(kText + 9), 'h');
    EXPECT_EQ(image.ReadByte(kParse + 1), 2);
    EXPECT_EQ(Global(16), 13);
}

TEST_F(InputOpcodes, TheTextBufferIsNeverOverrun) {
    StoryBuilder v3(3);
    v3.Byte(kText, 4).Byte(kText + 5, 0xEE);
    v3.Code(OpVar(4, {L(kText), L(0)}) + Quit()); // no parse buffer: nothing is tokenised
    Start(v3);
    host.Type("abcdefgh\r");
    Run();
    EXPECT_EQ(machine->Story().ReadByte(kText + 3), 'c');
    EXPECT_EQ(machine->Story().ReadByte(kText + 4), 0);
    EXPECT_EQ(machine->Story().ReadByte(kText + 5), 0xEE);
    EXPECT_EQ(machine->Story().ReadByte(2), 0); // parse address 0 wrote nothing

    StoryBuilder v5(5);
    v5.Byte(kText, 3).Byte(kText + 5, 0xEE);
    v5.Code(OpVar(4, {L(kText), L(0)}) + Store(16) + Quit());
    Start(v5);
    host.Type("abcdefgh\r");
    Run();
    EXPECT_EQ(machine->Story().ReadByte(kText + 1), 3);
    EXPECT_EQ(machine->Story().ReadByte(kText + 4), 'c');
    EXPECT_EQ(machine->Story().ReadByte(kText + 5), 0xEE);
}

TEST_F(InputOpcodes, ReadCharTakesOneKeyAndDiscardsTheRest) {
    StoryBuilder story(5);
    story.Code(OpVar(22, {C(1)}) + Store(16) + OpVar(22, {C(1)}) + Store(17) + Quit());
    Start(story);
    host.deliverKey = [this](int key) {
        // Both keys of the first batch arrive before the machine looks.
        machine->Keys().KeyPress(key);
        if (key == 'a')
            machine->Keys().KeyPress('b');
    };
    host.Type("a\r");
    Run();
    EXPECT_EQ(Global(16), 'a');
    EXPECT_EQ(Global(17), 13);
    EXPECT_EQ(output, ""); // single keys are not echoed
}

TEST_F(InputOpcodes, TheGameStopsWhenKeysRunOutDuringAWait) {
    StoryBuilder story(5);
    story.Byte(kText, 20);
    story.Code(OpVar(4, {L(kText), L(0)}) + Store(16) + Quit());
    Start(story);
    EXPECT_EQ(Run(), GameOutcome::Kind::Stopped);
}

TEST_F(InputOpcodes, ReadInVersionThreeRedrawsTheStatusLineFirst) {
    StoryBuilder story(3);
    story.Byte(kText, 20);
    story.Code(OpVar(4, {L(kText), L(0)}) + Quit());
    Start(story);
    host.Type("x\r");
    Run();
    EXPECT_EQ(machine->Screen().CurrentWindow(), 0); // back in the lower window afterwards
}

} // namespace
} // namespace lantern::test
