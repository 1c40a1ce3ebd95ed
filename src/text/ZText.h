#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "memory/StoryImage.h"

namespace lantern {

/// Decoding of encoded strings: the alphabet rows, the abbreviations and the Z-character rules of
/// every version. Decoding returns text (8-bit characters; a line break is "\r\n"); it never prints.
class ZText {
public:
    /// Sets the three alphabet rows for the story's version and alphabet table (header word 0x34).
    void SetupAlphabets(const StoryImage& story);
    /// The default rows of versions 2 and later.
    void SetDefaultAlphabets();
    /// Decodes the abbreviation table (header word 0x18) once, at load.
    void LoadAbbreviations(const StoryImage& story);

    /// Decodes the encoded string at address. Afterwards ZCharCount() is the number of codes read
    /// (three per word), so the string's length in bytes is ZCharCount() / 3 * 2.
    std::string PrintZString(const StoryImage& story, int32_t address);
    int32_t ZCharCount() const { return m_zCharCount; }

    const std::array<std::string, 3>& Alphabets() const { return m_alphabets; }

private:
    int m_version = 0;
    int32_t m_zCharCount = 0;
    std::array<std::string, 3> m_alphabets;
};

} // namespace lantern
