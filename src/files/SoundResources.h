#pragma once

#include "files/FileRead.h"
#include "files/Ifid.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// The largest sound resource read from a file, and the largest sound once decoded (16-bit
/// stereo at 44.1 kHz): a larger one is not played.
inline constexpr size_t kMaxSoundBytes = 64u << 20;
inline constexpr size_t kMaxDecodedSoundBytes = 128u << 20;

/// The sounds of a story, in its own Blorb or in the resource file beside a bare story
/// ("story.blb", when it names no other story): the "Snd " resources of the index and the
/// "Loop" chunk. The file stays open, and a sound's bytes are read when it is wanted.
class SoundResources {
  public:
    /// A sound resource: its chunk's id ("FORM" for an AIFF, "OGGV", "MOD "), the type of a
    /// FORM ("AIFF"), and where its data lies in the file.
    struct Entry {
        std::string Id;
        std::string FormType;
        size_t Offset = 0; ///< of the chunk's data
        size_t Length = 0;
    };

    /// The sounds of the story at storyPath, whose Z-code has identity; none when it has none.
    static SoundResources Find(const std::string& storyPath, const ZCodeIdentity& identity);
    /// Whether the story at storyPath may have sounds: its Blorb, or the resource file beside
    /// it, indexes any. Reads no more than the index.
    static bool MayHaveSounds(const std::string& storyPath);

    bool Empty() const { return m_sounds.empty(); }
    /// The resource file's path (the story's own when it is a Blorb).
    const std::string& Path() const { return m_path; }
    const Entry* Get(int number) const;
    /// The Loop chunk's value for a sound (0 for ever, n for n plays), when it has one.
    std::optional<uint32_t> LoopValue(int number) const;
    /// The numbers the Loop chunk names that are not sounds of the file.
    const std::vector<uint32_t>& LoopsWithoutSound() const { return m_loopsWithoutSound; }
    /// Reads a sound's data; nothing, with why in problem, when it cannot be read.
    std::optional<std::vector<uint8_t>> Read(int number, std::string& problem);

  private:
    std::string m_path;
    std::unique_ptr<RegularFile> m_file;
    std::map<int, Entry> m_sounds;
    std::map<int, uint32_t> m_loops;
    std::vector<uint32_t> m_loopsWithoutSound;
};

/// An AIFF sample as it will be played: a FORM with just COMM and SSND, its frames cut to the
/// sample data the file holds. Nothing, with why in problem, when it is no sample that can
/// play (not an AIFF, no COMM or SSND, no frames, an impossible format or rate, or larger than
/// kMaxDecodedSoundBytes when decoded). A truncated sample plays what it has, and says so in
/// problem.
std::optional<std::vector<uint8_t>> CheckAiff(std::span<const uint8_t> form, std::string& problem);

/// The number an 80-bit IEEE extended float holds (an AIFF's sample rate); 0 for what is not
/// a positive finite number.
double ExtendedFloat(std::span<const uint8_t, 10> bytes);

} // namespace lantern
