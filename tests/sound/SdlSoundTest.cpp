// The SDL device itself, with SDL's "disk" audio driver writing what plays to a file: the two
// bleeps, the music's repeats and the bound on the sounds it keeps.
#include "sound/SdlSound.h"
#include "files/SoundResources.h"
#include "support/SoundBuilder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>
#include <unistd.h>

namespace lantern::test {
namespace {

using namespace std::chrono_literals;

class SdlSoundTest : public ::testing::Test {
  protected:
    std::string file;
    std::unique_ptr<SdlSound> sound;

    void SetUp() override { Open(kMaxDecodedSoundBytes); }
    void Open(size_t maxKeptBytes) {
        sound.reset();
        file = ::testing::TempDir() + "lantern-sound-" + std::to_string(::getpid()) + ".raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        sound = std::make_unique<SdlSound>(maxKeptBytes);
        ASSERT_TRUE(sound->Open());
    }
    void TearDown() override {
        sound.reset();
        std::filesystem::remove(file);
    }

    /// What the device wrote, once it is closed: the left channel.
    std::vector<int16_t> Written() {
        sound.reset();
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        std::vector<int16_t> left;
        for (size_t at = 0; at + 4 <= bytes.size(); at += 4)
            left.push_back(static_cast<int16_t>((static_cast<uint8_t>(bytes[at + 1]) << 8) |
                                                static_cast<uint8_t>(bytes[at])));
        return left;
    }

    /// Waits (a few seconds at most) for a start to be reported ended.
    bool EndReported(uint32_t id) {
        for (int i = 0; i < 300; ++i) {
            for (const uint32_t ended : sound->TakeFinished())
                if (ended == id)
                    return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
};

// The stretches of sound in samples: (first, last) sample of each, apart by 10 ms of silence.
std::vector<std::pair<size_t, size_t>> Stretches(const std::vector<int16_t>& samples) {
    std::vector<std::pair<size_t, size_t>> found;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) <= 256)
            continue;
        if (found.empty() || i - found.back().second > SdlSound::kRate / 100)
            found.emplace_back(i, i);
        found.back().second = i;
    }
    return found;
}

TEST_F(SdlSoundTest, TheTwoBleepsAreDistinctShortTones) {
    sound->Bleep(1);
    std::this_thread::sleep_for(250ms);
    sound->Bleep(2);
    std::this_thread::sleep_for(300ms);
    const std::vector<int16_t> samples = Written();
    const auto stretches = Stretches(samples);
    ASSERT_EQ(stretches.size(), 2u);
    std::vector<double> pitches;
    for (const auto& [first, last] : stretches) {
        int crossings = 0;
        for (size_t i = first + 1; i <= last; ++i)
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        const double seconds = static_cast<double>(last - first) / SdlSound::kRate;
        EXPECT_LT(seconds, 0.2);
        pitches.push_back(crossings / seconds / 2);
    }
    EXPECT_NEAR(pitches[0], 1200, 60); // high
    EXPECT_NEAR(pitches[1], 400, 20);  // low
}

TEST_F(SdlSoundTest, MusicPlaysAsOftenAsItsStartSaysAndThenIsReportedEnded) {
    const std::vector<uint8_t> mod = MakeMod(4); // 240 ms
    ASSERT_TRUE(sound->Load(5, SoundFormat::Mod, mod));
    // Once, then (after a pause) twice: the second stretch of sound lasts twice as long.
    sound->Play({.Number = 5, .Volume = 1, .Plays = 1, .Id = 6});
    ASSERT_TRUE(EndReported(6));
    std::this_thread::sleep_for(100ms);
    sound->Play({.Number = 5, .Volume = 1, .Plays = 2, .Id = 7});
    ASSERT_TRUE(EndReported(7));
    const auto stretches = Stretches(Written());
    ASSERT_EQ(stretches.size(), 2u);
    const auto length = [](const auto& s) { return static_cast<double>(s.second - s.first); };
    EXPECT_NEAR(length(stretches[1]) / length(stretches[0]), 2.0, 0.1);
}

TEST_F(SdlSoundTest, SoundsKeptStayWithinTheirBoundTheLeastRecentlyUsedDroppedFirst) {
    // A second of sample decodes to 172 KiB: thirteen are more than 2 MiB.
    Open(2u << 20);
    std::string problem;
    const auto aiff = CheckAiff(MakeAiff(440, 1000, 11025), problem);
    ASSERT_TRUE(aiff);
    for (int number = 3; number < 16; ++number) {
        ASSERT_TRUE(sound->Load(number, SoundFormat::Aiff, *aiff));
        // Sound 3 is used again and again: it stays.
        sound->Play({.Number = 3, .Volume = 0, .Plays = 1, .Id = 0});
    }
    EXPECT_LE(sound->KeptBytes(), 2u << 20);
    EXPECT_TRUE(sound->IsLoaded(3));
    EXPECT_FALSE(sound->IsLoaded(4));
    EXPECT_TRUE(sound->IsLoaded(15));
}

} // namespace
} // namespace lantern::test
