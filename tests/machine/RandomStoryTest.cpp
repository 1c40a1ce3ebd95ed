// Random story images: whatever the bytes, the machine ends the game with a story fault or runs
// on; it never reads or writes outside its buffers (the sanitizer build checks that).
#include "screen/CellSurface.h"
#include "support/MachineFixture.h"

#include <random>

namespace lantern::test {
namespace {

// Plays one random image; returns the number of instructions it ran.
long PlayRandomStory(int seed) {
    std::mt19937 random(static_cast<unsigned>(seed));
    const int version = 1 + static_cast<int>(random() % 8);
    const size_t size = 64 + random() % 0x6000;
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(random());
    bytes[0] = static_cast<uint8_t>(version);
    // Point most header addresses inside the image, so that the run gets somewhere.
    auto word = [&](size_t at, uint32_t value) {
        if (random() % 8 != 0) {
            bytes[at] = static_cast<uint8_t>(value >> 8);
            bytes[at + 1] = static_cast<uint8_t>(value);
        }
    };
    const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(size, 0xFFFF));
    for (size_t at : {0x06u, 0x08u, 0x0Au, 0x0Cu, 0x18u})
        word(at, static_cast<uint32_t>(64 + random() % (limit - 63)));
    word(0x34, 0);
    // Usually a small, valid dictionary, so that the image is not refused at load.
    if (random() % 4 != 0) {
        const size_t at = 64 + random() % (limit - 72);
        bytes[0x08] = static_cast<uint8_t>(at >> 8);
        bytes[0x09] = static_cast<uint8_t>(at);
        bytes[at] = 1;
        bytes[at + 1] = ',';
        bytes[at + 2] = 7;
        bytes[at + 3] = 0;
        bytes[at + 4] = static_cast<uint8_t>(random() % 2);
    }

    TestHost host;
    CellSurface surface(40, 12);
    zMachine machine(host, surface, static_cast<uint64_t>(seed));
    host.deliverKey = [&](int key) { machine.Keys().KeyPress(key); };
    for (int i = 0; i < 200; ++i)
        host.keys.push_back(i % 7 == 0 ? 13 : 'a' + i % 26);
    machine.SetPagingWait(true);
    machine.PrepareScreen(40, 11);
    long steps = 0;
    try {
        machine.LoadStory(StoryImage(bytes));
        machine.StartGame();
        while (steps < 20000 && machine.Step())
            ++steps;
    } catch (const StoryError&) {
    } catch (const LoadError&) {
    } catch (const GameStopped&) {
    }
    return steps;
}

TEST(RandomStories, NeverCrash) {
    long total = 0;
    for (int seed = 1; seed <= 400; ++seed)
        total += PlayRandomStory(seed);
    EXPECT_GT(total, 400); // the images do run, not only fail at once
}

} // namespace
} // namespace lantern::test
