#include "files/StoryFile.h"

#include "files/Blorb.h"
#include "files/FileRead.h"
#include "memory/Prefault.h"
#include "memory/StoryError.h"
#include "memory/StoryImage.h"
#include "text/CharMap.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unordered_set>

namespace lantern {

namespace {

// The head of a container read first: the FORM, its resource index and usually more.
constexpr size_t kHeadBytes = 64u << 10;
// The largest cover read: far more than a picture for a screen takes.
constexpr size_t kMaxCoverBytes = 64u << 20;
// The IFIDs of a record shown besides the story's own.
constexpr size_t kMaxIfidsShown = 32;

// The most bytes a story of a version can have (Standard 1.1.4); any other first byte is no
// version, and such a "story" no larger than the largest is refused for its version later.
size_t LargestStory(uint8_t version) {
    if (version >= 1 && version <= 3)
        return size_t{128} << 10;
    if (version == 4 || version == 5)
        return size_t{256} << 10;
    return size_t{512} << 10;
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The Z-code, in memory with room for the story image's extra byte, mapped in one request.
std::vector<uint8_t> CopyZCode(std::span<const uint8_t> bytes) {
    std::vector<uint8_t> zcode;
    zcode.reserve(bytes.size() + 1);
    Prefault(zcode.data(), zcode.capacity());
    zcode.assign(bytes.begin(), bytes.end());
    return zcode;
}

// A four-character id as it can be shown: anything but printable ASCII becomes "?".
std::string Printable(std::string_view id) {
    std::string shown(id);
    for (char& c : shown)
        if (c < ' ' || c > '~')
            c = '?';
    return shown;
}

[[noreturn]] void Refuse(const std::string& path, const Blorb& blorb) {
    const std::string name = Quoted(path);
    switch (blorb.GetStatus()) {
    case Blorb::Status::NotBlorb:
        if (blorb.FormType() == "IFZS")
            throw LoadError(name + " is a saved game, not a story file.");
        throw LoadError(name + " is an IFF file of type \"" + Printable(blorb.FormType()) +
                        "\", not a story file.");
    case Blorb::Status::Damaged:
        throw LoadError("The Blorb file " + name + " is damaged: " + blorb.Problem() + ".");
    case Blorb::Status::NotIff:
    case Blorb::Status::Ok: break;
    }
    if (!blorb.Executable())
        throw LoadError(name + " holds a story's pictures and other resources, but no story: "
                               "Lantern needs the story file itself.");
    const std::string_view id = blorb.Executable()->Id;
    const std::string_view system = ExecutableSystem(id);
    const std::string what =
        system.empty()
            ? "a story for another system (\"" + Printable(id) + "\")"
            : std::string(std::string_view("AEIOU").find(system[0]) != std::string_view::npos
                              ? "an "
                              : "a ") +
                  std::string(system) + " story";
    throw LoadError(name + " is " + what + "; Lantern plays Z-machine stories (versions 1 to 8).");
}

// The record and the cover of a container, as far as wanted. fill makes sure bytes of a chunk
// have been read (a container read in parts leaves chunks out until asked for).
template <typename Fill>
void ReadExtras(const Blorb& blorb, StoryWants wants, StoryFile& story, Fill fill) {
    // A record or cover larger than one can be is not read at all.
    if (wants.Record) {
        if (const IffChunk* record = blorb.Chunk("IFmd");
            record && record->Data.size() <= kMaxRecordBytes && fill(record->Data))
            story.Record = ParseStoryRecord(
                {reinterpret_cast<const char*>(record->Data.data()), record->Data.size()});
    }
    if (wants.Cover) {
        const IffChunk* fspc = blorb.Chunk("Fspc");
        const auto number = fspc && fill(fspc->Data) ? blorb.Frontispiece() : std::nullopt;
        const IffChunk* picture = number ? blorb.Resource("Pict", *number) : nullptr;
        if (picture && (picture->Id == "PNG " || picture->Id == "JPEG") &&
            picture->Data.size() <= kMaxCoverBytes && fill(picture->Data))
            story.Cover = StoryPicture{picture->Id == "PNG " ? "PNG" : "JPEG",
                                       {picture->Data.begin(), picture->Data.end()}};
    }
}

// Only a version 6 story draws pictures.
bool DrawsPictures(const StoryFile& story, StoryWants wants) {
    return wants.Pictures && !story.ZCode.empty() && story.ZCode[0] == 6;
}

StoryFile FromBlorb(const Blorb& blorb, const std::string& path, StoryWants wants,
                    const auto& fill) {
    if (blorb.GetStatus() != Blorb::Status::Ok || !blorb.Executable() ||
        blorb.Executable()->Id != "ZCOD")
        Refuse(path, blorb);
    const IffChunk& zcode = *blorb.Executable();
    // The version says how large the story can be: a larger chunk is refused unread.
    if (!zcode.Data.empty() && fill(zcode.Data.first(1)) &&
        zcode.Data.size() > LargestStory(zcode.Data[0]))
        throw LoadError("The Blorb file " + Quoted(path) + " is damaged: its story is larger " +
                        "than a story of version " + std::to_string(zcode.Data[0]) + " can be.");
    if (!fill(zcode.Data))
        throw LoadError("Cannot read the story file " + Quoted(path) + ".");
    StoryFile story;
    story.FileKind = StoryFile::Kind::Blorb;
    story.ZCode = CopyZCode(zcode.Data);
    ReadExtras(blorb, wants, story, fill);
    return story;
}

// A container in memory as large as its file, of which only what is wanted is read: a player
// waits for the story, not for its cover and music, and a hostile file may be a gigabyte. The
// memory left unread is zero and never touched. Every part the parse reads (the chunk headers,
// the index) is read; a part left out is exactly the data of a chunk, and is read when
// something asks for it.
class PartlyReadFile {
  public:
    explicit PartlyReadFile(RegularFile& file)
        : m_file(file), m_size(file.Size()),
          m_bytes(static_cast<uint8_t*>(std::calloc(std::max<size_t>(m_size, 1), 1)), std::free) {}

    bool Allocated() const { return m_bytes != nullptr; }
    std::span<const uint8_t> Bytes() const { return {m_bytes.get(), m_size}; }

    /// Reads the chunks' headers and the resource index, but no other chunk's data beyond the
    /// head of the file; false when the file could not be read.
    bool Read() {
        const size_t head = std::min(m_size, kHeadBytes);
        if (!m_file.ReadAt(0, m_bytes.get(), head))
            return false;
        if (head < 12)
            return true;
        // The chunks as IffForm::Parse walks them; a FORM longer than the file has none.
        const size_t formLength = Long(4);
        if (formLength < 4 || formLength > m_size - 8)
            return true;
        const size_t formEnd = formLength + 8;
        size_t read = head; // all before it is read or a gap
        size_t chunks = 0;
        for (size_t pos = 12; pos <= formEnd && formEnd - pos >= 8 && chunks < kMaxIffChunks;
             ++chunks) {
            if (pos + 8 > read) {
                const size_t from = std::max(pos, read);
                if (!m_file.ReadAt(from, m_bytes.get() + from, pos + 8 - from))
                    return false;
                read = pos + 8;
            }
            const size_t length = Long(pos + 4);
            if (length > formEnd - pos - 8)
                break; // the parse finds the file damaged
            const size_t begin = pos + 8;
            const size_t end = begin + length;
            if (end > read) {
                // The index is read at once (unless it is too large to be one, which the parse
                // refuses unread); any other chunk's data when it is asked for.
                if (std::string_view(reinterpret_cast<const char*>(m_bytes.get() + pos), 4) ==
                        "RIdx" &&
                    length <= kMaxResourceIndexBytes) {
                    if (!m_file.ReadAt(read, m_bytes.get() + read, end - read))
                        return false;
                } else {
                    m_gaps.emplace_back(begin, end);
                }
                read = end;
            }
            pos = end + length % 2;
        }
        return true;
    }

    /// Whether the parse of these bytes read nothing that was left out: every gap is the
    /// data of a chunk the walk found, and not the index.
    bool Consistent(const IffForm& form) const {
        for (const auto& [begin, end] : m_gaps) {
            const IffChunk* chunk = begin >= 8 ? form.At(begin - 8) : nullptr;
            if (!chunk || (chunk->Id == "RIdx" && chunk->Data.size() <= kMaxResourceIndexBytes) ||
                chunk->Data.data() != m_bytes.get() + begin || chunk->Data.size() != end - begin)
                return false;
        }
        return true;
    }

    /// Reads what was left out of data, if anything (and no more).
    bool Fill(std::span<const uint8_t> data) {
        const size_t begin = static_cast<size_t>(data.data() - m_bytes.get());
        const size_t end = begin + data.size();
        std::vector<std::pair<size_t, size_t>> left;
        left.reserve(m_gaps.size() + 1);
        for (const auto& [from, to] : m_gaps) {
            const size_t readFrom = std::max(from, begin);
            const size_t readTo = std::min(to, end);
            if (readFrom >= readTo) {
                left.emplace_back(from, to);
                continue;
            }
            if (!m_file.ReadAt(readFrom, m_bytes.get() + readFrom, readTo - readFrom))
                return false;
            if (from < readFrom)
                left.emplace_back(from, readFrom);
            if (readTo < to)
                left.emplace_back(readTo, to);
        }
        m_gaps = std::move(left);
        return true;
    }

    bool FillAll() { return Fill(Bytes()); }

  private:
    size_t Long(size_t at) const {
        const uint8_t* p = m_bytes.get() + at;
        return (size_t{p[0]} << 24) | (size_t{p[1]} << 16) | (size_t{p[2]} << 8) | p[3];
    }

    RegularFile& m_file;
    size_t m_size;
    std::unique_ptr<uint8_t, void (*)(void*)> m_bytes;
    std::vector<std::pair<size_t, size_t>> m_gaps; ///< [begin, end) not read, in order
};

// Reads and parses a container but for its large resources; nothing when it cannot be read.
std::optional<Blorb> ReadContainer(PartlyReadFile& container) {
    if (!container.Allocated() || !container.Read())
        return std::nullopt;
    Blorb blorb = Blorb::Parse(container.Bytes());
    if (container.Consistent(blorb.Form()))
        return blorb;
    if (!container.FillAll())
        return std::nullopt;
    return Blorb::Parse(container.Bytes());
}

// The pictures of a container (the story's own Blorb, or its resource file), read whole.
std::shared_ptr<const PictureSet> ReadPictures(PartlyReadFile& container) {
    if (!container.FillAll())
        return nullptr;
    const auto bytes = container.Bytes();
    return PictureSet::FromBlorb({bytes.begin(), bytes.end()});
}

// The resource file beside a bare story: its record and cover, when it is the story's own (an
// "IFhd" naming another story, or a damaged file, is passed over).
void ReadResourceFile(const std::string& storyPath, StoryWants wants, StoryFile& story) {
    const std::string path = std::filesystem::path(storyPath).replace_extension(".blb").string();
    if (path == storyPath)
        return;
    RegularFile file(path, kMaxContainerSize);
    if (!file.Ok())
        return;
    PartlyReadFile container(file);
    const auto blorb = ReadContainer(container);
    if (!blorb || blorb->GetStatus() != Blorb::Status::Ok)
        return;
    if (const IffChunk* header = blorb->Chunk("IFhd"); header && container.Fill(header->Data)) {
        const ZCodeIdentity identity = story.Identity();
        const auto data = header->Data;
        if (data.size() < 10 || ((data[0] << 8) | data[1]) != identity.Release ||
            std::string(data.begin() + 2, data.begin() + 8) != identity.Serial ||
            ((data[8] << 8) | data[9]) != identity.Checksum)
            return;
    }
    story.ResourceFile = path;
    ReadExtras(*blorb, wants, story,
               [&](std::span<const uint8_t> data) { return container.Fill(data); });
    if (DrawsPictures(story, wants))
        story.Pictures = ReadPictures(container);
}

[[noreturn]] void CannotRead(const std::string& path, const FileBytes& failure) {
    if (failure.Failure == FileBytes::Problem::TooLarge)
        throw LoadError("The file " + Quoted(path) + " is too large to be a story file.");
    throw LoadError(failure.Describe(path));
}

void CheckBareSize(const std::string& path, size_t size) {
    if (size == 0)
        throw LoadError("The story file " + Quoted(path) + " is empty.");
    if (size < static_cast<size_t>(kHeaderSize))
        throw LoadError("The file " + Quoted(path) + " is too short to be a story file.");
    if (size > kMaxStorySize)
        throw LoadError("The file " + Quoted(path) + " is too large to be a story file.");
}

} // namespace

StoryFile ReadStoryBytes(std::span<const uint8_t> bytes, const std::string& name,
                         StoryWants wants) {
    if (LooksLikeIff(bytes)) {
        StoryFile story = FromBlorb(Blorb::Parse(bytes), name, wants,
                                    [](std::span<const uint8_t>) { return true; });
        if (DrawsPictures(story, wants))
            story.Pictures = PictureSet::FromBlorb({bytes.begin(), bytes.end()});
        return story;
    }
    CheckBareSize(name, bytes.size());
    StoryFile story;
    story.ZCode = CopyZCode(bytes);
    return story;
}

StoryFile ReadStoryFile(const std::string& path, StoryWants wants) {
    RegularFile file(path, kMaxContainerSize);
    uint8_t head[12] = {};
    const size_t headSize = std::min(file.Size(), sizeof head);
    if (!file.Ok() || !file.ReadAt(0, head, headSize))
        CannotRead(path, file.Failure());
    if (!LooksLikeIff({head, headSize})) {
        CheckBareSize(path, file.Size());
        FileBytes bytes = file.ReadAll();
        if (!bytes.Ok())
            CannotRead(path, bytes);
        CheckBareSize(path, bytes.Bytes.size());
        StoryFile story;
        story.ZCode = std::move(bytes.Bytes);
        if (wants.Record || wants.Cover || DrawsPictures(story, wants))
            ReadResourceFile(path, wants, story);
        return story;
    }
    PartlyReadFile container(file);
    if (!container.Allocated())
        throw LoadError("The file " + Quoted(path) + " is too large to be read.");
    const auto blorb = ReadContainer(container);
    if (!blorb)
        CannotRead(path, file.Failure());
    StoryFile story = FromBlorb(*blorb, path, wants, [&](std::span<const uint8_t> data) {
        return container.Fill(data);
    });
    if (DrawsPictures(story, wants))
        story.Pictures = ReadPictures(container);
    return story;
}

void CheckZCode(std::span<const uint8_t> zcode) {
    if (zcode.size() < static_cast<size_t>(kHeaderSize))
        throw LoadError("The story file is too short to be a story file.");
    // Only versions 1 to 8 exist; any other first byte means this is not a story file.
    if (zcode[0] < 1 || zcode[0] > 8)
        throw LoadError("Unsupported story version " + std::to_string(zcode[0]));
}

std::vector<std::pair<std::string, std::string>> DescribeStory(const StoryFile& story) {
    const ZCodeIdentity identity = story.Identity();
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%04X", static_cast<unsigned>(identity.Checksum));
    std::vector<std::pair<std::string, std::string>> facts = {
        {"Kind", story.FileKind == StoryFile::Kind::Blorb ? "Blorb" : "bare story file"},
    };
    if (!story.ResourceFile.empty())
        facts.emplace_back("Resource file", story.ResourceFile);
    facts.insert(facts.end(), {
                                  {"Version", std::to_string(identity.Version)},
                                  {"Release", std::to_string(identity.Release)},
                                  {"Serial", Printable(identity.Serial)},
                                  {"Checksum", checksum},
                                  {"IFID", identity.Ifid},
                              });
    if (story.Record) {
        // The record may name the story by other IFIDs too (a later release's, say): each
        // once, and a few dozen at most (a hostile record may hold tens of thousands).
        std::unordered_set<std::string_view> shown{identity.Ifid};
        size_t more = 0;
        for (const std::string& ifid : story.Record->Ifids) {
            if (!shown.insert(ifid).second)
                continue;
            if (shown.size() > kMaxIfidsShown)
                ++more;
            else
                facts.emplace_back("IFID", ifid);
        }
        if (more > 0)
            facts.emplace_back("More IFIDs", std::to_string(more));
        for (const StoryField& field : story.Record->Fields) {
            std::string value = field.Value;
            std::replace(value.begin(), value.end(), '\n', ' ');
            facts.emplace_back(field.Name, value);
        }
    }
    if (story.Cover)
        facts.emplace_back("Cover", story.Cover->Format + ", " +
                                        std::to_string(story.Cover->Bytes.size()) + " bytes");
    // Nothing reaches a terminal or a window that could steer it: the path, the serial and the
    // record are from outside.
    for (auto& fact : facts)
        fact.second = PrintableText(fact.second);
    return facts;
}

} // namespace lantern
