#include <cstdio>
#include <string>

#include "machine/zMachine.h"
#include "memory/StoryError.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lantern STORY\n");
        return 2;
    }
    try {
        const lantern::StoryImage story = lantern::StoryImage::LoadFile(argv[1]);
        std::printf("%s: version %d story, %d bytes\n", argv[1], story.Version(), story.Size());
    } catch (const lantern::LoadError& e) {
        std::fprintf(stderr, "lantern: %s\n", e.what());
        return 1;
    }
    return 0;
}
