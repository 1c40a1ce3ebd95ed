// The libFuzzer entry point: every input is a story file.
#include "FuzzStory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lantern::PlayFuzzStory(data, size);
    return 0;
}
