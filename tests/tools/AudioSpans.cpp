// Reads what an audio output wrote to a file (SDL's "disk" driver: 16-bit stereo at 44.1 kHz)
// and prints its stretches of sound, one a line as "START_MS LENGTH_MS", or "silent":
//   lantern_audio_spans FILE
// A stretch ends where 10 ms of silence follow it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lantern_audio_spans FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "lantern_audio_spans: cannot read %s\n", argv[1]);
        return 1;
    }
    constexpr long kRate = 44100;
    constexpr long kGap = kRate / 100;
    constexpr int kThreshold = 256;
    long frame = 0;
    long start = -1;
    long last = -1;
    bool any = false;
    int16_t samples[2];
    auto print = [&] {
        std::printf("%ld %ld\n", start * 1000 / kRate, (last - start + 1) * 1000 / kRate);
    };
    while (in.read(reinterpret_cast<char*>(samples), sizeof samples)) {
        const bool sound = std::abs(samples[0]) > kThreshold || std::abs(samples[1]) > kThreshold;
        if (sound) {
            if (start >= 0 && frame - last > kGap) {
                print();
                start = -1;
            }
            if (start < 0)
                start = frame;
            last = frame;
            any = true;
        }
        ++frame;
    }
    if (start >= 0)
        print();
    if (!any)
        std::printf("silent\n");
    return 0;
}
