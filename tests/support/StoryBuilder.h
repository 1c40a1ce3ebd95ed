#pragma once

#include "memory/StoryImage.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace lantern::test {

/// Builds small story images in memory: a header, globals, and code placed where a test says.
/// The default layout (addresses): header 0-63, globals table at 0x40 (240 words), object table
/// at 0x300, dictionary at 0x800, abbreviations table at 0x900, code from 0x1000.
class StoryBuilder {
  public:
    static constexpr int32_t kGlobals = 0x40;
    static constexpr int32_t kObjects = 0x300;
    static constexpr int32_t kDictionary = 0x800;
    static constexpr int32_t kAbbreviations = 0x900;
    static constexpr int32_t kCode = 0x1000;

    explicit StoryBuilder(int version, int32_t size = 0x4000);

    int Version() const { return m_version; }
    /// The code cursor: where the next Code() lands.
    int32_t Here() const { return m_here; }
    StoryBuilder& At(int32_t address);

    StoryBuilder& Byte(int32_t address, int value);
    StoryBuilder& Word(int32_t address, int value);
    StoryBuilder& Bytes(int32_t address, std::initializer_list<int> values);
    StoryBuilder& SetGlobal(int variable, int value); ///< variable 16..255

    /// Appends code bytes at the cursor.
    StoryBuilder& Code(std::initializer_list<int> bytes);
    StoryBuilder& Code(const std::vector<uint8_t>& bytes);
    /// Starts a routine at the cursor (aligned for packed addresses): the locals count and, in
    /// versions 1 to 4, their initial values. Returns the routine's byte address.
    int32_t Routine(int locals, std::initializer_list<int> initialValues = {});
    /// The packed address of a routine or string at byte address.
    int32_t Packed(int32_t address) const;
    /// Sets the initial PC (header word 0x06) to the cursor.
    StoryBuilder& StartHere();

    /// Encodes text (lower case, spaces and A2 punctuation) as a Z-string at address; returns
    /// the address after it.
    int32_t ZString(int32_t address, const std::string& text);
    /// Encodes text as Z-string bytes.
    std::vector<uint8_t> Encode(const std::string& text) const;

    StoryImage Build() const { return StoryImage(m_bytes); }
    std::vector<uint8_t>& Raw() { return m_bytes; }

  private:
    int m_version;
    int32_t m_here = kCode;
    std::vector<uint8_t> m_bytes;
};

} // namespace lantern::test
