#pragma once

#include "memory/StoryImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lantern {

/// The story's character set: ZSCII codes 32-126 are ASCII and codes from 155 are the letters
/// of the Unicode translation table (the Z-Machine Standard's default one, or the story's own
/// through header extension word 3). Text inside the machine is ZSCII; it becomes Unicode only
/// where it is shown, and typed characters become ZSCII as they arrive.
class CharMap {
  public:
    /// First ZSCII code of the translation table, and most codes it may give (155 to 251).
    static constexpr int kFirstExtra = 155;
    static constexpr int kMaxExtra = 97;

    CharMap();

    /// The story's table (versions 5 and later, header extension word 3), else the default.
    void Load(const StoryImage& story);
    void SetDefault();

    /// The Unicode character that ZSCII output code `zscii` shows: ASCII as itself, line feed
    /// and carriage return as themselves, other control codes as themselves (front-ends decide
    /// how to show them), an extra character from the table, and "?" for codes with no
    /// character.
    char32_t ToUnicode(uint8_t zscii) const;
    /// The ZSCII code of a typed or drawn Unicode character; nothing when it has none.
    std::optional<uint8_t> FromUnicode(char32_t character) const;
    /// ZSCII text as UTF-8. A Unicode character with no ZSCII code travels inside the text as
    /// the byte 0 (which no ZSCII output contains) followed by its UTF-8 form; see UnicodeText.
    /// Text in font 3 (charGraphics) shows codes 32 to 126 as the font's graphics.
    std::string ToUtf8(std::string_view zscii, bool charGraphics = false) const;
    /// The same into text, which it replaces (a buffer the caller keeps).
    void ToUtf8(std::string_view zscii, bool charGraphics, std::string& text) const;
    /// The text that prints a Unicode character: its ZSCII code when it has one, else the
    /// character carried whole (printable ones) or "?".
    std::string UnicodeText(char32_t character) const;
    /// Whether a Unicode character can be printed (bit 0) and read from the keyboard (bit 1).
    int CheckUnicode(char32_t character) const;
    /// The length of the carried Unicode character that starts at text[i], or 0 when none does.
    static size_t CarriedLength(std::string_view text, size_t i);
    /// The lower-case form of a ZSCII letter (itself when it has none in the table).
    uint8_t ToLower(uint8_t zscii) const;

  private:
    std::array<char32_t, kMaxExtra> m_extra{};
    int m_extraCount = 0;
};

/// Whether a Unicode character shows something: not a control code, a surrogate or a
/// noncharacter.
bool IsPrintableUnicode(char32_t character);
/// Text from outside (a file's name, a story's record, a typed name) as it may be shown in a
/// terminal or a window: every character that could steer or disguise what is shown (C0 and C1
/// control codes, DEL, the bidirectional overrides and marks, line and paragraph separators)
/// and every byte that is not UTF-8 becomes "?". With keepLineBreaks, line feed and tab stay.
std::string PrintableText(std::string_view text, bool keepLineBreaks = false);
/// Removes from UTF-8 text every control character but line feed and tab (C0, DEL and C1):
/// the story's own text as a terminal or a program reads it.
void StripControlCharacters(std::string& utf8);
/// Appends a Unicode character to text as UTF-8.
void AppendUtf8(std::string& text, char32_t character);
/// Decodes UTF-8 text; a byte that does not start a valid sequence stands for itself
/// (Latin-1), so that no input is lost or misread as a longer character.
std::u32string DecodeUtf8(std::string_view text);
/// The character of UTF-8 text that starts at text[i] (i < text.size()), decoded as DecodeUtf8
/// decodes it; i moves past it.
char32_t NextUtf8Slow(std::string_view text, size_t& i);
inline char32_t NextUtf8(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    return NextUtf8Slow(text, i);
}
/// Whether text is plain ASCII (each byte a character of its own).
bool IsAscii(std::string_view text);
/// How many characters DecodeUtf8 makes of text.
size_t Utf8Length(std::string_view text);
/// The simple lower-case form of a Unicode letter (Latin, Greek and Cyrillic letters).
char32_t UnicodeToLower(char32_t character);

} // namespace lantern
