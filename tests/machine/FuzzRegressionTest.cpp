// Story files the fuzzer once found faults with (and a few hostile ones made by hand): each is
// played as the fuzzer plays it, and must end normally (the sanitizer build checks memory).
#include "FuzzStory.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace lantern {
namespace {

TEST(FuzzFindings, EveryKeptInputPlaysWithoutFault) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(LANTERN_FUZZ_FINDINGS)) {
        if (entry.path().extension() != ".bin")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        PlayFuzzStory(bytes.data(), bytes.size());
        ++count;
    }
    EXPECT_GT(count, 0);
}

} // namespace
} // namespace lantern
