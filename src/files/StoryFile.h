#pragma once

#include "files/Ifid.h"
#include "files/Metadata.h"
#include "files/Pictures.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace lantern {

/// The largest bare story file read (no story can address more than 512 KiB) and the largest
/// story container (pictures and sounds make a Blorb large).
inline constexpr size_t kMaxStorySize = 16u << 20;
inline constexpr size_t kMaxContainerSize = 1u << 30;

/// What to read of a story file besides its Z-code. Playing needs neither; the window shows
/// both, `--info` the record.
struct StoryWants {
    bool Record = false;
    bool Cover = false;
    /// The pictures a version 6 story draws (of its Blorb, or of its resource file).
    bool Pictures = false;
};

/// A picture as its file holds it ("PNG" or "JPEG"); the front-end decodes it.
struct StoryPicture {
    std::string Format;
    std::vector<uint8_t> Bytes;
};

/// A story as read from its file: the Z-code to play and what the file says about the story.
struct StoryFile {
    enum class Kind {
        Bare,  ///< a story file as the compiler wrote it
        Blorb, ///< Z-code in a Blorb container
    };
    Kind FileKind = Kind::Bare;
    /// The bytes of the Z-code story, with room for the one byte the story image adds.
    std::vector<uint8_t> ZCode;
    /// The resource file read beside a bare story ("story.blb"), when there is one.
    std::string ResourceFile;
    /// The bibliographic record, when asked for and present.
    std::optional<StoryRecord> Record;
    /// The cover, when asked for and present.
    std::optional<StoryPicture> Cover;
    /// The pictures of a version 6 story, when asked for and present.
    std::shared_ptr<const PictureSet> Pictures;

    ZCodeIdentity Identity() const { return IdentifyZCode(ZCode); }
    /// The title of the record, or empty.
    std::string Title() const { return Record ? Record->Get("title") : std::string(); }
};

/// Reads the story at path: a bare Z-code story file, or a Blorb with Z-code inside (of which
/// pictures and sounds are read only when wants.Cover asks for the cover). Throws LoadError,
/// with a sentence for the player, when the file is missing or unreadable, too short, another
/// kind of IFF file, a Blorb of another system or of resources only, or damaged.
StoryFile ReadStoryFile(const std::string& path, StoryWants wants = {});

/// The same from bytes in memory; name stands for the file in messages.
StoryFile ReadStoryBytes(std::span<const uint8_t> bytes, const std::string& name,
                         StoryWants wants = {});

/// Throws LoadError unless zcode is at least a header long and of a version 1 to 8.
void CheckZCode(std::span<const uint8_t> zcode);

/// What a story is, for a reader: "Kind", "Version", "Release", "Serial", "Checksum", "IFID"
/// (the record's further ones each once, 32 in all at most, then "More IFIDs"), then each field
/// of its record, as pairs of a name and a one-line value shown as PrintableText shows it.
std::vector<std::pair<std::string, std::string>> DescribeStory(const StoryFile& story);

} // namespace lantern
