#pragma once

#include <cstdint>
#include <string_view>

#include "memory/StoryImage.h"
#include "text/ZText.h"

namespace lantern {

/// The story's dictionary and the tokeniser that fills parse buffers.
class zDictionary {
public:
    explicit zDictionary(const ZText& text) : m_text(text) {}

    /// Reads the dictionary at address (header word 0x08), once per story load.
    void LoadDictionary(const StoryImage& story, int32_t address);
    /// The address of the entry matching word, or 0.
    int32_t LookupAddress(std::string_view word) const;
    /// Splits the text buffer into words and writes the parse buffer.
    void Tokenise(StoryImage& story, int32_t textAddress, int32_t parseAddress, bool ignoreNoMatch);

private:
    const ZText& m_text;
};

} // namespace lantern
