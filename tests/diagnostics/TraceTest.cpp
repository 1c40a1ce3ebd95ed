#include "diagnostics/Trace.h"

#include "support/Assembler.h"
#include "support/MachineFixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace lantern::test {
namespace {

zInstruction Instruction(int address, OpClass type, int opCode) {
    zInstruction in;
    in.Address = address;
    in.OpCodeType = type;
    in.OpCode = static_cast<uint8_t>(opCode);
    return in;
}

TEST(TraceLine, TheWorkedExample) {
    zInstruction in = Instruction(0x0A3F, kOp2, 20);
    in.OperandCount = 2;
    in.Operand[1] = 1;
    in.OperandType[1] = kVariable;
    in.Operand[2] = 5;
    in.OperandType[2] = kSmallConstant;
    in.Store = 26;
    EXPECT_EQ(FormatTraceLine(in, "ADD", " SP:00 L00:01 G00:012C", 1, false, true),
              "  0A3F: ADD             L00,#05  -> G0A SP:00 L00:01 G00:012C");
}

TEST(TraceLine, NameFieldOperandsTextBranchAndStore) {
    const zInstruction quit = Instruction(0x1000, kOp0, 10);
    EXPECT_EQ(FormatTraceLine(quit, "QUIT", " SP:00", 0, false, false),
              "1000: QUIT             SP:00");
    // Addresses beyond 64 KiB keep all their digits, still an even count.
    EXPECT_EQ(FormatTraceLine(Instruction(0x12345, kOp0, 10), "QUIT", "", 0, false, false),
              "012345: QUIT            ");
    EXPECT_EQ(
        FormatTraceLine(Instruction(0x7FFFF, kOp0, 10), "QUIT", "", 0, false, false).substr(0, 8),
        "07FFFF: ");
    EXPECT_EQ(FormatTraceLine(quit, "", "", 0, false, false), "1000: " + std::string(16, ' '));

    zInstruction print = Instruction(0x1234, kOp0, 2);
    print.Text = "Hello\r\nthere\r\n";
    EXPECT_EQ(FormatTraceLine(print, "PRINTLIT", "", 2, false, false),
              "    1234: PRINTLIT        \"Hello^there^\""); // one line, breaks as "^"

    zInstruction jz = Instruction(0x2000, kOp1, 0);
    jz.OperandCount = 1;
    jz.Operand[1] = 0;
    jz.OperandType[1] = kVariable;
    jz.BranchCond = true;
    jz.Branch = 0x2010;
    EXPECT_EQ(FormatTraceLine(jz, "JZ", "", 0, true, false),
              "2000: JZ              (SP)+ [True] 2010");

    zInstruction call = Instruction(0x3000, kOpVar, 0);
    call.OperandCount = 3;
    call.Operand[1] = 0x1234;
    call.OperandType[1] = kLargeConstant;
    call.Operand[2] = 15;
    call.OperandType[2] = kVariable;
    call.Operand[3] = 16;
    call.OperandType[3] = kVariable;
    call.Store = 0;
    EXPECT_EQ(FormatTraceLine(call, "CALL_VS", "", 0, false, true),
              "3000: CALL_VS         #1234 ,L0E,G00 -> -(SP)");
    call.Store = 15;
    EXPECT_NE(FormatTraceLine(call, "CALL_VS", "", 0, false, true).find("-> L0E"),
              std::string::npos);
}

class Tracing : public MachineFixture {
  protected:
    // One file per test and process: the tests, and other builds' runs of them, may run side
    // by side.
    std::string path = ::testing::TempDir() + "lantern_trace_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                       std::to_string(getpid()) + ".txt";
    void TearDown() override { std::remove(path.c_str()); }
    std::vector<std::string> Lines() {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line)) {
            EXPECT_FALSE(line.empty());
            EXPECT_EQ(line.back(), '\r'); // every line ends with CR LF
            line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(Tracing, AGameTracesEveryInstructionIndentedByItsFrame) {
    StoryBuilder story(5);
    story.SetGlobal(16, 300);
    story.At(0x2000);
    const int32_t routine = story.Routine(2);
    story.Code(Op2(20, V(1), C(5)) + Store(26) + Op1(11, V(26))); // add L00 #05 -> G0A; ret G0A
    story.At(StoryBuilder::kCode)
        .Code(OpVar(0, {L(story.Packed(routine)), C(1)}) + Store(0) + Quit());
    const std::string file = ::testing::TempDir() + "lantern_trace_story.z5";
    {
        const StoryImage image = story.Build();
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.Bytes().data()), image.Size());
    }
    machine = std::make_unique<zMachine>(host, surface, 1);
    machine->SetTraceFile(path);
    machine->SetPagingWait(false);
    machine->PrepareScreen(640, 480);
    const GameOutcome outcome = machine->RunGame(file);
    std::remove(file.c_str());
    EXPECT_EQ(outcome.kind, GameOutcome::Kind::Quit);
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "1000: CALL_VS         #0800 ,#01  -> -(SP) SP:00 G00:012C");
    EXPECT_EQ(lines[1], "  2001: ADD             L00,#05  -> G0A SP:00 L00:01 L01:00 G00:012C");
    EXPECT_EQ(lines[2], "  2005: RET             G0A SP:00 L00:01 L01:00 G00:012C G0A:06");
    EXPECT_EQ(lines[3], "1006: QUIT             SP:06 G00:012C G0A:06");
}

// Instructions kept decoded run as freshly decoded ones: whole stories traced both ways give the
// same file, byte for byte.
TEST_F(Tracing, KeptInstructionsTraceAsFreshlyDecodedOnes) {
    const std::pair<const char*, const char*> stories[] = {
        {LANTERN_STORY_GARDEN_V3, "garden/v3"},
        {LANTERN_STORY_GARDEN_V5, "garden/v5"},
        {LANTERN_STORY_STATION, "station"},
    };
    for (const auto& [story, folder] : stories) {
        std::ifstream input(std::string(LANTERN_STORY_SOURCES) + "/" + folder + "/input.txt");
        std::ostringstream typed;
        typed << input.rdbuf();
        std::string traces[2];
        for (int cached = 0; cached < 2; ++cached) {
            TestHost player;
            for (char c : typed.str())
                player.keys.push_back(c == '\n' ? 13 : static_cast<unsigned char>(c));
            zMachine game(player, surface, 1);
            player.deliverKey = [&game](int key) { game.Keys().KeyPress(key); };
            game.SetTraceFile(path);
            game.SetPagingWait(false);
            game.SetInstructionCache(cached == 1);
            game.PrepareScreen(640, 480);
            game.RunGame(story);
            std::ifstream in(path, std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            traces[cached] = text.str();
        }
        EXPECT_GT(traces[0].size(), 10000u) << folder;
        EXPECT_TRUE(traces[0] == traces[1]) << folder;
    }
}

TEST_F(Tracing, TheTraceNeverOverwritesTheStoryWhateverItsName) {
    StoryBuilder story(5);
    story.Code(Quit());
    const std::string file = ::testing::TempDir() + "lantern_trace_own_story.z5";
    const std::string link = ::testing::TempDir() + "lantern_trace_own_story_link.z5";
    {
        const StoryImage image = story.Build();
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.Bytes().data()), image.Size());
    }
    std::remove(link.c_str());
    std::filesystem::create_hard_link(file, link);
    for (const std::string& trace :
         {file, link, ::testing::TempDir() + "/./" + "lantern_trace_own_story.z5"}) {
        machine = std::make_unique<zMachine>(host, surface, 1);
        machine->SetTraceFile(trace);
        machine->PrepareScreen(640, 480);
        const GameOutcome outcome = machine->RunGame(file);
        EXPECT_EQ(outcome.kind, GameOutcome::Kind::LoadFailed) << trace;
        EXPECT_NE(outcome.message.find("is the story file"), std::string::npos);
        EXPECT_EQ(std::filesystem::file_size(file), static_cast<uintmax_t>(story.Build().Size()));
    }
    std::remove(link.c_str());
    std::remove(file.c_str());
}

TEST_F(Tracing, NoTraceFileWithoutTheSwitch) {
    StoryBuilder story(5);
    story.Code(Quit());
    Start(story);
    Run();
    EXPECT_FALSE(std::ifstream(path).good());
}

} // namespace
} // namespace lantern::test
