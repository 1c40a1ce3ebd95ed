#include "dictionary/zDictionary.h"

#include <cstdlib>

namespace lantern {

uint64_t zDictionary::Key(const std::vector<uint8_t>& zChars) {
    uint64_t key = 0;
    for (uint8_t c : zChars)
        key = (key << 5) | (c & 31);
    return key;
}

void zDictionary::LoadDictionaryLater(const StoryImage& story, int32_t address) {
    m_pending = 0;
    m_separators.clear();
    m_entryKeys.clear();
    m_entryAddresses.clear();
    if (address == 0)
        return;
    const int64_t header = int64_t{address} + story.ReadByte(address) + 1;
    const int entryLength = story.ReadByte(header);
    const int count = std::abs(story.ReadWord(header + 1));
    const int words = story.Version() <= 3 ? 2 : 3;
    // Past the last word of the last entry every entry can be read; otherwise reading now
    // reports the first word that lies outside, as a story start always has.
    const int64_t last = header + 3 + int64_t{entryLength} * (count - 1) + 2 * (words - 1);
    if (count > 0 && !story.Contains(last, 2))
        LoadDictionary(story, address);
    else
        m_pending = address;
}

void zDictionary::LoadDictionary(const StoryImage& story, int32_t address) {
    m_pending = 0;
    m_version = story.Version();
    m_zCharLimit = m_version <= 3 ? 6 : 9;
    m_separators.clear();
    m_entryKeys.clear();
    m_entryAddresses.clear();
    if (address == 0)
        return;

    const int separatorCount = story.ReadByte(address);
    for (int k = 1; k <= separatorCount; ++k)
        m_separators += static_cast<char>(story.ReadByte(int64_t{address} + k));
    const int64_t header = int64_t{address} + separatorCount + 1;
    const int entryLength = story.ReadByte(header);
    // A negative count marks an unsorted dictionary; the look-up is linear either way.
    const int count = std::abs(story.ReadWord(header + 1));
    const int words = m_version <= 3 ? 2 : 3;
    m_entryKeys.reserve(static_cast<size_t>(count));
    m_entryAddresses.reserve(static_cast<size_t>(count));
    std::vector<uint8_t> zChars;
    for (int i = 0; i < count; ++i) {
        const int64_t entry = header + 3 + int64_t{entryLength} * i;
        zChars.clear();
        for (int w = 0; w < words; ++w) {
            const int32_t word = story.ReadWord(entry + 2 * w, true);
            zChars.insert(zChars.end(), {static_cast<uint8_t>((word >> 10) & 31),
                                         static_cast<uint8_t>((word >> 5) & 31),
                                         static_cast<uint8_t>(word & 31)});
        }
        m_entryKeys.push_back(Key(zChars));
        m_entryAddresses.push_back(static_cast<int32_t>(entry));
    }
}

int32_t zDictionary::LookupAddress(std::string_view word) const {
    // The compiler stored the word in lower case; encoding the typed word the same way makes the
    // match ignore letter case and cut both at the same Z-character.
    std::string lower(word);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    const uint64_t key = Key(m_text.EncodeZChars(lower, m_zCharLimit));
    for (size_t i = 0; i < m_entryKeys.size(); ++i)
        if (m_entryKeys[i] == key)
            return m_entryAddresses[i];
    return 0;
}

bool zDictionary::IsSeparator(char c) const {
    return m_separators.find(c) != std::string::npos;
}

void zDictionary::Tokenise(StoryImage& story, int32_t textAddress, int32_t parseAddress,
                           bool ignoreNoMatch) {
    LoadPending(story);
    // Versions 1-4: byte 0 is the number of positions, the text starts at byte 1. Later: byte 1
    // is the number of characters, the text starts at byte 2. A 0 byte ends the text early.
    const bool countByte = story.Version() >= 5;
    const int length = story.ReadByte(int64_t{textAddress} + (countByte ? 1 : 0));
    const int64_t start = int64_t{textAddress} + (countByte ? 2 : 1);
    std::string typed;
    for (int i = 0; i < length; ++i) {
        const int c = story.ReadByte(start + i);
        if (c == 0)
            break;
        typed += static_cast<char>(c);
    }

    // Positions count from the start of the text buffer.
    const int positionOffset = countByte ? 1 : 0;
    const int capacity = story.ReadByte(parseAddress);
    int records = 0;
    const auto record = [&](std::string_view word, size_t position) {
        const int32_t address = LookupAddress(word);
        if (!(ignoreNoMatch && address == 0)) {
            const int64_t at = int64_t{parseAddress} + 2 + 4 * records;
            story.WriteWord(at, address);
            story.WriteByte(at + 2, static_cast<int32_t>(word.size()));
            story.WriteByte(at + 3, static_cast<int32_t>(position) + positionOffset);
        }
        ++records;
    };

    std::string word;
    size_t wordStart = 0;
    for (size_t i = 0; i <= typed.size() && records < capacity; ++i) {
        const char c = i < typed.size() ? typed[i] : ' ';
        const bool separator = c != ' ' && IsSeparator(c);
        if (c != ' ' && !separator) {
            if (word.empty())
                wordStart = i + 1;
            word += c;
            continue;
        }
        if (!word.empty()) {
            record(word, wordStart);
            word.clear();
        }
        // A separator is a word of its own.
        if (separator && records < capacity)
            record(std::string_view(&typed[i], 1), i + 1);
    }
    story.WriteByte(int64_t{parseAddress} + 1, records);
}

} // namespace lantern
