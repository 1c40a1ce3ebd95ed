#include "text/CharMap.h"

#include "text/CharGraphics.h"

#include <algorithm>
#include <cstring>

namespace lantern {

namespace {

// The default Unicode translation table of the Z-Machine Standard (section 3.8.5.3): ZSCII
// 155 to 223.
constexpr std::array<char32_t, 69> kDefaultExtra = {
    0xE4, 0xF6, 0xFC, 0xC4, 0xD6, 0xDC, 0xDF, 0xBB, 0xAB, 0xEB,  0xEF,  0xFF, 0xCB, 0xCF,
    0xE1, 0xE9, 0xED, 0xF3, 0xFA, 0xFD, 0xC1, 0xC9, 0xCD, 0xD3,  0xDA,  0xDD, 0xE0, 0xE8,
    0xEC, 0xF2, 0xF9, 0xC0, 0xC8, 0xCC, 0xD2, 0xD9, 0xE2, 0xEA,  0xEE,  0xF4, 0xFB, 0xC2,
    0xCA, 0xCE, 0xD4, 0xDB, 0xE5, 0xC5, 0xF8, 0xD8, 0xE3, 0xF1,  0xF5,  0xC3, 0xD1, 0xD5,
    0xE6, 0xC6, 0xE7, 0xC7, 0xFE, 0xF0, 0xDE, 0xD0, 0xA3, 0x153, 0x152, 0xA1, 0xBF,
};

// Header extension table: word 3 holds the address of the Unicode translation table.
constexpr int32_t kHeaderExtension = 0x36;
constexpr int kUnicodeTableWord = 3;

// Marks a Unicode character carried inside ZSCII text: 0 is never printed as ZSCII.
constexpr char kCarriedMark = '\0';

} // namespace

CharMap::CharMap() {
    SetDefault();
}

void CharMap::SetDefault() {
    m_extra.fill(0);
    for (size_t i = 0; i < kDefaultExtra.size(); ++i)
        m_extra[i] = kDefaultExtra[i];
    m_extraCount = static_cast<int>(kDefaultExtra.size());
}

void CharMap::Load(const StoryImage& story) {
    SetDefault();
    if (story.Version() < 5 || !story.Contains(kHeaderExtension, 2))
        return;
    // A table that lies outside the story, wholly or in part, is taken as far as it can be
    // read: a story may not make the interpreter read outside its memory.
    const int64_t extension = story.ReadWord(kHeaderExtension, true);
    if (extension == 0 || !story.Contains(extension, 2) ||
        story.ReadWord(extension, true) < kUnicodeTableWord)
        return;
    const int64_t slot = extension + 2 * kUnicodeTableWord;
    if (!story.Contains(slot, 2))
        return;
    const int64_t table = story.ReadWord(slot, true);
    if (table == 0 || !story.Contains(table))
        return;
    const int count = std::min<int>(story.ReadByte(table), kMaxExtra);
    m_extra.fill(0);
    m_extraCount = 0;
    for (int i = 0; i < count && story.Contains(table + 1 + 2 * i, 2); ++i) {
        m_extra[static_cast<size_t>(i)] =
            static_cast<char32_t>(story.ReadWord(table + 1 + 2 * i, true));
        m_extraCount = i + 1;
    }
}

char32_t CharMap::ToUnicode(uint8_t zscii) const {
    if (zscii < 127)
        return zscii;
    const int index = zscii - kFirstExtra;
    if (index >= 0 && index < m_extraCount && m_extra[static_cast<size_t>(index)] != 0)
        return m_extra[static_cast<size_t>(index)];
    return U'?';
}

std::optional<uint8_t> CharMap::FromUnicode(char32_t character) const {
    if (character >= 32 && character < 127)
        return static_cast<uint8_t>(character);
    for (int i = 0; i < m_extraCount; ++i)
        if (m_extra[static_cast<size_t>(i)] == character && character >= 127)
            return static_cast<uint8_t>(kFirstExtra + i);
    return std::nullopt;
}

std::string CharMap::ToUtf8(std::string_view zscii, bool charGraphics) const {
    std::string text;
    ToUtf8(zscii, charGraphics, text);
    return text;
}

void CharMap::ToUtf8(std::string_view zscii, bool charGraphics, std::string& text) const {
    text.clear();
    // Only ever grown: a smaller reserve may give memory back and take it again.
    if (text.capacity() < zscii.size())
        text.reserve(zscii.size());
    for (size_t i = 0; i < zscii.size(); ++i) {
        // Codes 1 to 126 show as themselves outside font 3: a run of them is copied at once.
        if (!charGraphics) {
            size_t end = i;
            while (end < zscii.size() && static_cast<uint8_t>(zscii[end] - 1) < 126)
                ++end;
            if (end > i) {
                text.append(zscii.substr(i, end - i));
                i = end - 1;
                continue;
            }
        }
        if (const size_t length = CarriedLength(zscii, i); length > 0) {
            text.append(zscii.substr(i + 1, length - 1));
            i += length - 1;
            continue;
        }
        const auto code = static_cast<uint8_t>(zscii[i]);
        const char32_t graphic = charGraphics ? CharGraphic(code) : 0;
        AppendUtf8(text, graphic != 0 ? graphic : ToUnicode(code));
    }
}

std::string CharMap::UnicodeText(char32_t character) const {
    if (const auto code = FromUnicode(character))
        return std::string(1, static_cast<char>(*code));
    if (!IsPrintableUnicode(character))
        return "?";
    std::string text(1, kCarriedMark);
    AppendUtf8(text, character);
    return text;
}

int CharMap::CheckUnicode(char32_t character) const {
    if (FromUnicode(character))
        return 3;
    return IsPrintableUnicode(character) ? 1 : 0;
}

size_t CharMap::CarriedLength(std::string_view text, size_t i) {
    if (text[i] != kCarriedMark || i + 1 >= text.size())
        return 0;
    // The mark counts only before a whole, valid UTF-8 character (so a 0 byte a story left in
    // its input buffer stays a lone control code).
    const auto lead = static_cast<unsigned char>(text[i + 1]);
    const size_t length = lead >= 0xF0 ? 4 : (lead >= 0xE0 ? 3 : (lead >= 0xC2 ? 2 : 0));
    if (length == 0 || i + 1 + length > text.size())
        return 0;
    // One character that takes all of those bytes.
    size_t end = 0;
    if (NextUtf8(text.substr(i + 1, length), end) < 0x80 || end != length)
        return 0;
    return length + 1;
}

bool IsPrintableUnicode(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c > 0x10FFFF)
        return false;
    if (c >= 0xD800 && c <= 0xDFFF)
        return false;
    return !(c >= 0xFDD0 && c <= 0xFDEF) && (c & 0xFFFE) != 0xFFFE;
}

void StripControlCharacters(std::string& utf8) {
    size_t kept = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // C0 controls and DEL, but for line feed and tab.
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F)
            continue;
        // C1 controls (U+0080 to U+009F): some terminals act on them as on ESC sequences.
        if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
            ++i;
            continue;
        }
        utf8[kept++] = static_cast<char>(c);
    }
    utf8.resize(kept);
}

std::string PrintableText(std::string_view text, bool keepLineBreaks) {
    // Characters that reorder or break what follows them, though a terminal shows no glyph.
    auto steers = [](char32_t c) {
        return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
               (c >= 0x2066 && c <= 0x2069);
    };
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const char32_t c = NextUtf8(text, i);
        // A byte of 0x80 or more taken alone starts no UTF-8 sequence.
        const bool whole = c < 0x80 || i - start > 1;
        if (keepLineBreaks && (c == '\n' || c == '\t'))
            shown.push_back(static_cast<char>(c));
        else if (!whole || !IsPrintableUnicode(c) || steers(c))
            shown.push_back('?');
        else
            shown.append(text.substr(start, i - start));
    }
    return shown;
}

uint8_t CharMap::ToLower(uint8_t zscii) const {
    if (zscii >= 'A' && zscii <= 'Z')
        return static_cast<uint8_t>(zscii - 'A' + 'a');
    if (zscii < kFirstExtra)
        return zscii;
    const char32_t character = ToUnicode(zscii);
    const char32_t lower = UnicodeToLower(character);
    if (lower == character)
        return zscii;
    return FromUnicode(lower).value_or(zscii);
}

void AppendUtf8(std::string& text, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    if (c < 0x80) {
        text.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (c >> 6)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (c >> 12)));
        text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (c >> 18)));
        text.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

char32_t NextUtf8Slow(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        least = 0x10000;
    }
    bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        valid = (next & 0xC0) == 0x80;
        code = (code << 6) | (next & 0x3F);
    }
    if (valid && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
        i += static_cast<size_t>(length);
        return code;
    }
    ++i;
    return lead;
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        out.push_back(NextUtf8(text, i));
    return out;
}

bool IsAscii(std::string_view text) {
    // Eight bytes at a time: one of them has its top bit set when the word has.
    uint64_t bits = 0;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        bits |= word;
    }
    for (; i < text.size(); ++i)
        bits |= static_cast<unsigned char>(text[i]);
    return (bits & 0x8080808080808080u) == 0;
}

size_t Utf8Length(std::string_view text) {
    if (IsAscii(text))
        return text.size();
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count)
        NextUtf8(text, i);
    return count;
}

char32_t UnicodeToLower(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 32;
    // Latin Extended-A pairs: upper case on even codes, except in 0x139-0x148 and 0x179-0x17E.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c % 2 == 0) ? c + 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c % 2 == 1) ? c + 1 : c;
    if (c == 0x178)
        return 0xFF;
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    return c;
}

} // namespace lantern
