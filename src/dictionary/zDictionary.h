#pragma once

#include "memory/StoryImage.h"
#include "text/ZText.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// The story's dictionary and the tokeniser that fills parse buffers. A typed word is matched as
/// the story's compiler stored it: encoded with the story's alphabets, cut to 6 Z-characters
/// (versions 1-3) or 9 (later), after its letters are made lower case.
class zDictionary {
  public:
    explicit zDictionary(const ZText& text) : m_text(text) {}

    /// Reads the dictionary at address (header word 0x08), once per story load. Address 0 means
    /// the story has no dictionary. A negative entry count means |count| unsorted entries.
    void LoadDictionary(const StoryImage& story, int32_t address);
    /// The same, deferred until the dictionary is first needed: a story start reads only the
    /// dictionary's header. A dictionary that runs past the story is read (and fails) at once.
    void LoadDictionaryLater(const StoryImage& story, int32_t address);
    /// Reads a deferred dictionary now, from story as it is.
    void LoadPending(const StoryImage& story) {
        if (m_pending != 0)
            LoadDictionary(story, m_pending);
    }
    /// The address of the entry matching word, or 0.
    int32_t LookupAddress(std::string_view word) const;
    /// Splits the text buffer into words and writes the parse buffer, at most as many records as
    /// its byte 0 allows. With ignoreNoMatch, a word not in the dictionary leaves its record
    /// untouched (it still counts).
    void Tokenise(StoryImage& story, int32_t textAddress, int32_t parseAddress, bool ignoreNoMatch);
    /// True when the character is one of the dictionary's word separators.
    bool IsSeparator(char c) const;

    int32_t EntryCount() const { return static_cast<int32_t>(m_entryAddresses.size()); }
    const std::string& Separators() const { return m_separators; }

  private:
    /// Packs the first 6 or 9 Z-characters of a word into one key.
    static uint64_t Key(const std::vector<uint8_t>& zChars);

    const ZText& m_text;
    int32_t m_pending = 0; ///< the address of a dictionary not read yet
    int m_version = 0;
    size_t m_zCharLimit = 9;
    std::string m_separators;
    std::vector<uint64_t> m_entryKeys;
    std::vector<int32_t> m_entryAddresses;
};

} // namespace lantern
