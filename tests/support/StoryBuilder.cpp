#include "support/StoryBuilder.h"

#include <stdexcept>

namespace lantern::test {

StoryBuilder::StoryBuilder(int version, int32_t size)
    : m_version(version), m_bytes(static_cast<size_t>(size), 0) {
    Byte(0x00, version);
    Word(0x04, kCode); // high memory
    Word(0x06, kCode); // initial PC
    Word(0x08, kDictionary);
    Word(0x0A, kObjects);
    Word(0x0C, kGlobals);
    Word(0x0E, kCode); // static memory
    Word(0x18, kAbbreviations);
    // An empty dictionary: no separators, entry length 7 or 9, no entries.
    Byte(kDictionary, 0);
    Byte(kDictionary + 1, version <= 3 ? 7 : 9);
    Word(kDictionary + 2, 0);
    // Abbreviations all point at an empty string (a single word with the end bit) at 0xA00.
    for (int i = 0; i < 96; ++i)
        Word(kAbbreviations + 2 * i, 0xA00 / 2);
    Word(0xA00, 0x94A5); // three code-5s with the end bit: decodes to nothing
}

StoryBuilder& StoryBuilder::At(int32_t address) {
    m_here = address;
    return *this;
}

StoryBuilder& StoryBuilder::Byte(int32_t address, int value) {
    m_bytes.at(static_cast<size_t>(address)) = static_cast<uint8_t>(value);
    return *this;
}

StoryBuilder& StoryBuilder::Word(int32_t address, int value) {
    Byte(address, (value >> 8) & 0xFF);
    return Byte(address + 1, value & 0xFF);
}

StoryBuilder& StoryBuilder::Bytes(int32_t address, std::initializer_list<int> values) {
    for (int v : values)
        Byte(address++, v);
    return *this;
}

StoryBuilder& StoryBuilder::SetGlobal(int variable, int value) {
    return Word(kGlobals + 2 * (variable - 16), value);
}

StoryBuilder& StoryBuilder::Code(std::initializer_list<int> bytes) {
    for (int b : bytes)
        Byte(m_here++, b);
    return *this;
}

StoryBuilder& StoryBuilder::Code(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes)
        Byte(m_here++, b);
    return *this;
}

int32_t StoryBuilder::Routine(int locals, std::initializer_list<int> initialValues) {
    const int32_t align = m_version <= 3 ? 2 : (m_version <= 7 ? 4 : 8);
    while (m_here % align != 0)
        ++m_here;
    const int32_t address = m_here;
    Code({locals});
    if (m_version <= 4) {
        auto it = initialValues.begin();
        for (int i = 0; i < locals; ++i) {
            const int v = it != initialValues.end() ? *it++ : 0;
            Code({(v >> 8) & 0xFF, v & 0xFF});
        }
    }
    return address;
}

int32_t StoryBuilder::Packed(int32_t address) const {
    if (m_version <= 3)
        return address / 2;
    if (m_version <= 7)
        return address / 4;
    return address / 8;
}

StoryBuilder& StoryBuilder::StartHere() {
    return Word(0x06, m_here);
}

std::vector<uint8_t> StoryBuilder::Encode(const std::string& text) const {
    static const std::string a2 = "\n0123456789.,!?_#'\"/\\-:()";
    std::vector<int> codes;
    for (char c : text) {
        if (c == ' ') {
            codes.push_back(0);
        } else if (c >= 'a' && c <= 'z') {
            codes.push_back(c - 'a' + 6);
        } else if (c >= 'A' && c <= 'Z') {
            codes.push_back(4);
            codes.push_back(c - 'A' + 6);
        } else if (const auto pos = a2.find(c); pos != std::string::npos) {
            codes.push_back(5);
            codes.push_back(static_cast<int>(pos) + 7);
        } else {
            const int code = static_cast<unsigned char>(c);
            codes.insert(codes.end(), {5, 6, code >> 5, code & 31});
        }
    }
    if (codes.empty() || codes.size() % 3 != 0)
        while (codes.empty() || codes.size() % 3 != 0)
            codes.push_back(5);
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < codes.size(); i += 3) {
        int word = (codes[i] << 10) | (codes[i + 1] << 5) | codes[i + 2];
        if (i + 3 == codes.size())
            word |= 0x8000;
        bytes.push_back(static_cast<uint8_t>(word >> 8));
        bytes.push_back(static_cast<uint8_t>(word & 0xFF));
    }
    return bytes;
}

int32_t StoryBuilder::ZString(int32_t address, const std::string& text) {
    for (uint8_t b : Encode(text))
        Byte(address++, b);
    return address;
}

} // namespace lantern::test
