#include "text/ZText.h"

#include "memory/StoryError.h"

namespace lantern {

namespace {

constexpr std::string_view kRow0 = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kRow1 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
// Row 2: "~" marks the escape (Z-character 6) and "^" the line break (Z-character 7).
constexpr std::string_view kRow2 = "~^0123456789.,!?_#'\"/\\-:()";
// Version 1 has no line-break mark in row 2, and "<" in it.
constexpr std::string_view kRow2Version1 = "~0123456789.,!?_#'\"/\\<-:()";

constexpr int kRowLength = 26;

} // namespace

ZText::ZText() : m_zChars(kMaxZChars) {
    SetDefaultAlphabets();
}

void ZText::SetDefaultAlphabets() {
    m_alphabets = {std::string(kRow0), std::string(kRow1), std::string(kRow2)};
}

void ZText::SetupAlphabets(const StoryImage& story) {
    m_version = story.Version();
    const int32_t table = story.ReadWord(0x34);
    if (m_version > 4 && table != 0) {
        // A table of 78 bytes, 26 per row. The escape and line-break marks keep their places.
        const int32_t address = table & 0xFFFF;
        for (int row = 0; row < 3; ++row) {
            m_alphabets[static_cast<size_t>(row)].assign(kRowLength, ' ');
            for (int k = 0; k < kRowLength; ++k)
                m_alphabets[static_cast<size_t>(row)][static_cast<size_t>(k)] =
                    static_cast<char>(story.ReadByte(address + row * kRowLength + k));
        }
        m_alphabets[2][0] = '~';
        m_alphabets[2][1] = '^';
        return;
    }
    SetDefaultAlphabets();
    if (m_version == 1)
        m_alphabets[2] = std::string(kRow2Version1);
}

std::string ZText::Abbreviation(const StoryImage& story, int index) const {
    std::string text;
    AppendAbbreviation(story, index, text);
    return text;
}

void ZText::AppendAbbreviation(const StoryImage& story, int index, std::string& text) const {
    // Version 1 has no abbreviations (Z-character 1 is a line break there); version 2 has 32.
    const int count = m_version <= 1 ? 0 : (m_version < 3 ? 32 : kAbbreviationCount);
    if (index < 0 || index >= count)
        return;
    const int64_t slot = int64_t{story.ReadWord(0x18, true)} + 2 * index;
    if (!story.Contains(slot, 2))
        return;
    // An entry that cannot be read prints nothing rather than stopping the story.
    const int64_t address = 2 * int64_t{story.ReadWord(slot, true)};
    std::vector<uint8_t>& codes = m_abbreviationZChars;
    codes.clear();
    for (int64_t a = address; story.Contains(a, 2) && codes.size() + 3 <= kMaxZChars; a += 2) {
        const int b0 = story.ReadByte(a);
        const int b1 = story.ReadByte(a + 1);
        codes.insert(codes.end(), {static_cast<uint8_t>((b0 >> 2) & 31),
                                   static_cast<uint8_t>(((b0 & 3) << 3) | (b1 >> 5)),
                                   static_cast<uint8_t>(b1 & 31)});
        if (b0 & 0x80)
            break;
    }
    // No abbreviation is decoded inside this one, so its codes stay as they are.
    Translate(story, codes, true, text);
}

std::string ZText::PrintZString(const StoryImage& story, int32_t address) {
    std::string text;
    DecodeZString(story, address, text);
    return text;
}

void ZText::DecodeZString(const StoryImage& story, int32_t address, std::string& text) {
    UnpackZChars(story, address);
    text.clear();
    Translate(story, ZChars(), false, text);
}

void ZText::UnpackZChars(const StoryImage& story, int32_t address) {
    story.ReadByte(address); // a string that starts outside the image is a fault
    // The codes go into room made once (kMaxZChars), counted by m_zCharCount.
    int32_t count = 0;
    for (int64_t a = address; story.Contains(a, 2); a += 2) {
        if (count + 3 > kMaxZChars) {
            m_zCharCount = count;
            throw StoryError("an encoded string is longer than " + std::to_string(kMaxZChars / 3) +
                             " words");
        }
        const int b0 = story.ReadByte(a);
        const int b1 = story.ReadByte(a + 1);
        uint8_t* three = m_zChars.data() + count;
        three[0] = static_cast<uint8_t>((b0 >> 2) & 31);
        three[1] = static_cast<uint8_t>(((b0 & 3) << 3) | (b1 >> 5));
        three[2] = static_cast<uint8_t>(b1 & 31);
        count += 3;
        if (b0 & 0x80)
            break;
    }
    // Also when the image ends without an end bit: the count covers the words actually read, so
    // the decoder steps over exactly those.
    m_zCharCount = count;
}

std::string ZText::ZCharsToText(const StoryImage& story) const {
    std::string text;
    Translate(story, ZChars(), false, text);
    return text;
}

void ZText::Translate(const StoryImage& story, std::span<const uint8_t> codes,
                      bool inAbbreviation, std::string& text) const {
    const size_t count = codes.size();
    // (a + b) % 3 for rows a and b (and a pending change), without a division per character.
    static constexpr std::array<int, 7> kRowOf{0, 1, 2, 0, 1, 2, 0};
    const auto rowOf = [](int sum) { return kRowOf[static_cast<size_t>(sum)]; };
    int locked = 0;    // the row in force
    int shift = 0;     // a shift for the next character only
    int lockShift = 0; // versions 1 and 2: a pending change of the locked row
    for (size_t i = 0; i < count; ++i) {
        const int c = codes[i];
        if (c == 0) {
            text += ' ';
            continue;
        }
        if (c < 6) {
            // Abbreviations: code 1 from version 2, codes 1 to 3 from version 3. A code cut off
            // at the end of the string yields nothing.
            int bank = -1;
            if (c == 1 && m_version >= 2)
                bank = 0;
            else if ((c == 2 || c == 3) && m_version >= 3 && m_version <= 9)
                bank = c - 1;
            if (bank >= 0) {
                // An abbreviation inside an abbreviation is not allowed; it prints nothing.
                if (i + 1 < count && !inAbbreviation)
                    AppendAbbreviation(story, 32 * bank + codes[i + 1], text);
                ++i;
                continue;
            }
            if (c == 1 && m_version == 1)
                text += "\r\n";
            else if ((c == 2 || c == 3) && (m_version == 1 || m_version == 2))
                shift = c - 1;
            else if ((c == 4 || c == 5) && (m_version == 1 || m_version == 2))
                lockShift = c - 3;
            else if ((c == 4 || c == 5) && m_version >= 3 && m_version <= 9)
                shift = c - 3;
            continue;
        }
        const int row = rowOf(locked + shift + lockShift);
        if (row == 2 && c == 6) {
            // The 10-bit escape: a character code in the next two Z-characters. A value with no
            // single-byte character prints "?"; a cut-off escape and the null character print
            // nothing.
            if (i + 2 < count) {
                const int value = (codes[i + 1] << 5) | codes[i + 2];
                if (value >= 256)
                    text += '?';
                else if (value != 0)
                    text += static_cast<char>(value);
            }
            i += 2;
        } else {
            const char ch = m_alphabets[static_cast<size_t>(row)][static_cast<size_t>(c - 6)];
            if (ch == '^')
                text += "\r\n";
            else
                text += ch;
        }
        locked = rowOf(locked + lockShift);
        shift = 0;
        lockShift = 0;
    }
}

std::vector<uint8_t> ZText::EncodeZChars(std::string_view text, size_t limit) const {
    // Versions 1 and 2 shift with 2 (up to row 1) and 3 (down to row 2); later ones with 4 and 5.
    const bool early = m_version == 1 || m_version == 2;
    const uint8_t shiftTo1 = early ? 2 : 4;
    const uint8_t shiftTo2 = early ? 3 : 5;
    // Row 2 positions that are marks rather than characters: the escape, and the line break
    // from version 2.
    const size_t firstRow2 = m_version == 1 ? 1 : 2;
    std::vector<uint8_t> codes;
    for (char ch : text) {
        if (codes.size() >= limit)
            break;
        if (ch == ' ') {
            codes.push_back(0);
            continue;
        }
        if (const size_t k = m_alphabets[0].find(ch); k != std::string::npos) {
            codes.push_back(static_cast<uint8_t>(k + 6));
            continue;
        }
        if (const size_t k = m_alphabets[1].find(ch); k != std::string::npos) {
            codes.insert(codes.end(), {shiftTo1, static_cast<uint8_t>(k + 6)});
            continue;
        }
        if (const size_t k = m_alphabets[2].find(ch, firstRow2); k != std::string::npos) {
            codes.insert(codes.end(), {shiftTo2, static_cast<uint8_t>(k + 6)});
            continue;
        }
        const int value = static_cast<unsigned char>(ch);
        codes.insert(codes.end(), {shiftTo2, 6, static_cast<uint8_t>(value >> 5),
                                   static_cast<uint8_t>(value & 31)});
    }
    codes.resize(limit, 5);
    return codes;
}

} // namespace lantern
