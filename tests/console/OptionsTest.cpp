#include "Options.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace lantern {
namespace {

// Parses a command line (the program's name is added); on a mistake, error says why.
std::optional<Options> Parse(std::initializer_list<const char*> arguments, std::string& error) {
    std::vector<char*> argv{const_cast<char*>("lantern")};
    for (const char* argument : arguments)
        argv.push_back(const_cast<char*>(argument));
    error.clear();
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), error);
}

TEST(Options, ValuesFollowTheOptionOrAnEqualsSign) {
    std::string error;
    auto options = Parse({"--seed", "7", "--width=100", "--height", "30", "story.z5"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->seed, 7u);
    EXPECT_EQ(options->width, 100);
    EXPECT_EQ(options->height, 30);
    EXPECT_EQ(options->story, "story.z5");
    options = Parse({"--seed=18446744073709551615", "--height=5", "--trace=t.txt", "s"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->seed, UINT64_MAX);
    EXPECT_EQ(options->traceFile, "t.txt");
    options = Parse({"--seed=-1", "s"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->seed, UINT64_MAX);
}

TEST(Options, TwoDashesEndTheOptions) {
    std::string error;
    auto options = Parse({"--console", "--", "--trace"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->console);
    EXPECT_FALSE(options->standard);
    options = Parse({"--standard", "story.z5"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->standard);
    options = Parse({"--console", "--", "--trace"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_FALSE(options->traceFile);
    EXPECT_EQ(options->story, "--trace");
    EXPECT_FALSE(Parse({"--", "a", "b"}, error));
}

TEST(Options, MistakesSayWhatIsWrong) {
    std::string error;
    EXPECT_FALSE(Parse({"--seed=99999999999999999999"}, error));
    EXPECT_EQ(error, "--seed: 99999999999999999999 is too large");
    EXPECT_FALSE(Parse({"--width", "12345678901"}, error));
    EXPECT_EQ(error, "--width: 12345678901 is too large");
    EXPECT_FALSE(Parse({"--height=1001"}, error));
    EXPECT_EQ(error, "--height must be between 1 and 1000");
    EXPECT_FALSE(Parse({"--width="}, error));
    EXPECT_EQ(error, "--width needs a whole number");
    EXPECT_FALSE(Parse({"--seed"}, error));
    EXPECT_EQ(error, "--seed needs a value");
    EXPECT_FALSE(Parse({"--console=yes"}, error));
    EXPECT_EQ(error, "--console takes no value");
    EXPECT_FALSE(Parse({"--standard=yes"}, error));
    EXPECT_EQ(error, "--standard takes no value");
    EXPECT_FALSE(Parse({"--trace="}, error));
    EXPECT_FALSE(Parse({"--colour=red"}, error));
    EXPECT_EQ(error, "unknown option --colour=red");
}

} // namespace
} // namespace lantern
