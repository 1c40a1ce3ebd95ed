#pragma once

#include "memory/StoryImage.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// Decoding of encoded strings: the alphabet rows, the abbreviations and the Z-character rules of
/// every version. Decoding returns text (8-bit characters; a line break is "\r\n"); it never
/// prints.
class ZText {
  public:
    /// Most Z-characters one string may hold (3,333 words); a longer string is a story fault.
    static constexpr int32_t kMaxZChars = 9999;
    /// Abbreviation entries: 32 in version 2, 96 from version 3.
    static constexpr int kAbbreviationCount = 96;

    ZText();

    /// Sets the three alphabet rows for the story's version and alphabet table (header word 0x34).
    void SetupAlphabets(const StoryImage& story);
    /// The default rows of versions 2 and later.
    void SetDefaultAlphabets();

    /// Decodes the encoded string at address. Afterwards ZCharCount() is the number of codes read
    /// (three per word), so the string's length in bytes is ZCharCount() / 3 * 2.
    std::string PrintZString(const StoryImage& story, int32_t address);
    /// The same into text, which it replaces: a buffer kept by the caller, so that decoding
    /// allocates nothing once it has grown to the longest string.
    void DecodeZString(const StoryImage& story, int32_t address, std::string& text);
    int32_t ZCharCount() const { return m_zCharCount; }

    /// Splits the words from address into Z-characters, up to and including the word with the
    /// end bit, or up to the last whole word of the image.
    void UnpackZChars(const StoryImage& story, int32_t address);
    /// Translates the Z-characters of the last UnpackZChars into text; abbreviations are
    /// decoded from the story's table as it stands now (a story may change its entries).
    std::string ZCharsToText(const StoryImage& story) const;

    /// Encodes text as the story's compiler encodes a dictionary word: each character from the
    /// alphabet rows (with a shift for rows 1 and 2) or as a 10-bit escape, cut to `limit`
    /// Z-characters and padded with 5s.
    std::vector<uint8_t> EncodeZChars(std::string_view text, size_t limit) const;

    int Version() const { return m_version; }
    const std::array<std::string, 3>& Alphabets() const { return m_alphabets; }
    /// Abbreviation entry index (0 to 95) as the story's table holds it now; empty when the
    /// version has no such entry or it cannot be read.
    std::string Abbreviation(const StoryImage& story, int index) const;

  private:
    /// Appends the text of the codes to text.
    void Translate(const StoryImage& story, std::span<const uint8_t> codes, bool inAbbreviation,
                   std::string& text) const;
    /// The codes of the last unpacked string.
    std::span<const uint8_t> ZChars() const {
        return {m_zChars.data(), static_cast<size_t>(m_zCharCount)};
    }
    void AppendAbbreviation(const StoryImage& story, int index, std::string& text) const;

    int m_version = 0;
    int32_t m_zCharCount = 0;
    std::array<std::string, 3> m_alphabets;
    std::vector<uint8_t> m_zChars; ///< room for a string's codes; see ZChars
    /// The codes of the abbreviation being decoded, kept to be reused.
    mutable std::vector<uint8_t> m_abbreviationZChars;
};

} // namespace lantern
