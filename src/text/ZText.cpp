#include "text/ZText.h"

namespace lantern {

// Placeholder until the decoder lands.
void ZText::SetupAlphabets(const StoryImage& story) { m_version = story.Version(); }
void ZText::SetDefaultAlphabets() {}
void ZText::LoadAbbreviations(const StoryImage&) {}

std::string ZText::PrintZString(const StoryImage& story, int32_t address) {
    int32_t count = 0;
    for (int32_t a = address;; a += 2) {
        count += 3;
        if (story.ReadByte(a) & 0x80)
            break;
    }
    m_zCharCount = count;
    return {};
}

} // namespace lantern
