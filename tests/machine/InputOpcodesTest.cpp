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

// Timed input: the tick routine counts its calls in G16, prints "t" and returns true at the
// third call; the wait's result goes to G17.
StoryBuilder TimedStory(const Bytes& wait) {
    StoryBuilder story(5);
    story.Byte(kText, 20).Byte(kParse, 5);
    story.At(0x3000);
    const int32_t tick = story.Routine(0);
    story.Code(Op1(5, C(16)) + OpVar(5, {C('t')}) + Op2(1, V(16), C(3)) + BranchBy(true, 1) +
               Rfalse());
    const int32_t packed = story.Packed(tick);
    Bytes code = wait;
    // The routine's packed address stands last among the operands.
    code[code.size() - 2] = static_cast<uint8_t>(packed >> 8);
    code[code.size() - 1] = static_cast<uint8_t>(packed);
    story.At(StoryBuilder::kCode).Code(code + Store(17) + Quit());
    return story;
}

TEST_F(InputOpcodes, TimedInputCallsItsRoutineWhileThePlayerWaits) {
    const Bytes read = OpVar(4, {L(kText), L(kParse), C(2), L(0)});
    const Bytes readChar = OpVar(22, {C(1), C(2), L(0)});
    const auto start = [this](const StoryBuilder& story, bool standard) {
        Start(story, standard);
        output.clear();
        host.keys.clear();
        host.clock = 0;
    };

    // Keys typed between ticks: each tick printed, so the typed line is shown again after it.
    start(TimedStory(read), true);
    host.Type("ab");
    host.Pause(500);
    host.Type("c\r");
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(output, "abtabtabc\r\n");
    EXPECT_EQ(Global(16), 2);
    EXPECT_EQ(Global(17), 13);
    EXPECT_EQ(host.clock, 500);

    // The routine ends the line at its third call, 600 ms on: terminator 0, the typed text
    // kept in the buffer, and no line break.
    start(TimedStory(read), true);
    host.Type("Ab");
    host.Pause(5000);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(output, "AbtAbtAbt");
    EXPECT_EQ(Global(17), 0);
    EXPECT_EQ(host.clock, 600);
    EXPECT_EQ(machine->Story().ReadByte(kText + 1), 2);
    EXPECT_EQ(machine->Story().ReadByte(kText + 2), 'a');

    // READ_CHAR stores the key, or 0 when the routine ends the wait.
    start(TimedStory(readChar), true);
    host.Pause(150);
    host.Type("x");
    Run();
    EXPECT_EQ(Global(17), 'x');
    EXPECT_EQ(Global(16), 0);
    start(TimedStory(readChar), true);
    host.Pause(5000);
    Run();
    EXPECT_EQ(Global(17), 0);
    EXPECT_EQ(Global(16), 3);

    // The default machine neither calls the routine nor claims timed input.
    start(TimedStory(read), false);
    EXPECT_EQ(machine->Story().ReadByte(1) & 0x80, 0);
    host.Pause(5000);
    host.Type("x\r");
    Run();
    EXPECT_EQ(Global(16), 0);
    start(TimedStory(read), true);
    EXPECT_EQ(machine->Story().ReadByte(1) & 0x80, 0x80);
}

TEST_F(InputOpcodes, ATimedRoutineMayReadKeysOrQuit) {
    // The routine reads a key of its own and ends the line, which keeps what was typed.
    StoryBuilder story(5);
    story.Byte(kText, 20);
    story.At(0x3000);
    const int32_t readsKey = story.Routine(0);
    story.Code(OpVar(22, {C(1)}) + Store(18) + Rtrue());
    const int32_t quits = story.Routine(0);
    story.Code(Quit());
    story.At(StoryBuilder::kCode)
        .Code(OpVar(4, {L(kText), L(0), C(1), L(story.Packed(readsKey))}) + Store(17) + Quit());
    Start(story, true);
    host.Type("ab");
    host.Pause(300);
    host.Type("z");
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(Global(18), 'z');
    EXPECT_EQ(Global(17), 0);
    EXPECT_EQ(machine->Story().ReadByte(kText + 1), 2);
    EXPECT_EQ(machine->StackPointer(), 0);

    story.At(StoryBuilder::kCode)
        .Code(OpVar(4, {L(kText), L(0), C(1), L(story.Packed(quits))}) + Store(17) + Quit());
    Start(story, true);
    host.Pause(300);
    EXPECT_EQ(Run(), GameOutcome::Kind::Quit);
    EXPECT_EQ(Global(17), 0);
    EXPECT_EQ(machine->FrameIndex(), 1); // stopped inside the routine
}

} // namespace
} // namespace lantern::test
