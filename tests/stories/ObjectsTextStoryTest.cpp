// Runs our own Inform 6 story objects_text (version 5) in the machine and compares what it
// printed with the transcript kept beside its source.
#include "support/MachineFixture.h"

#include <fstream>
#include <sstream>

namespace lantern::test {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Line breaks of the machine's text are "\r\n"; the transcript file has "\n".
std::string WithNewlines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

class StoryTest : public MachineFixture {
  protected:
    GameOutcome::Kind Play(const std::string& storyPath) {
        machine = std::make_unique<zMachine>(host, surface, 12345);
        machine->SetPagingWait(false);
        machine->SetTranscript([this](std::string_view text) { output += text; });
        machine->PrepareScreen(640, 480);
        machine->LoadStory(storyPath);
        machine->StartGame();
        return Run();
    }
};

TEST_F(StoryTest, ObjectsTextPrintsItsTranscript) {
    const GameOutcome::Kind outcome = Play(LANTERN_STORY_OBJECTS_TEXT);
    EXPECT_EQ(fault, "");
    EXPECT_EQ(outcome, GameOutcome::Kind::Quit);
    EXPECT_TRUE(host.messages.empty());
    const std::string expected =
        ReadFile(std::string(LANTERN_STORY_SOURCES) + "/objects_text/objects_text.expected");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(WithNewlines(output), expected);
}

} // namespace
} // namespace lantern::test
