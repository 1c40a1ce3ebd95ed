#include "files/StoryFile.h"

#include "files/Blorb.h"
#include "files/FileRead.h"
#include "memory/Prefault.h"
#include "memory/StoryError.h"
#include "memory/StoryImage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace lantern {

namespace {

// The head of a container read first: the FORM, its resource index and usually more.
constexpr size_t kHeadBytes = 64u << 10;
// Resources at least this large are read only when wanted: pictures and sounds, mostly.
constexpr size_t kSkipAtLeast = 16u << 10;

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

// The record and the cover of a container, as far as wanted. fill makes sure a chunk's data
// has been read (a container read in parts leaves large resources out until asked for).
template <typename Fill>
void ReadExtras(const Blorb& blorb, StoryWants wants, StoryFile& story, Fill fill) {
    if (wants.Record) {
        if (const IffChunk* record = blorb.Chunk("IFmd"); record && fill(*record))
            story.Record = ParseStoryRecord(
                {reinterpret_cast<const char*>(record->Data.data()), record->Data.size()});
    }
    if (wants.Cover) {
        const IffChunk* fspc = blorb.Chunk("Fspc");
        const auto number = fspc && fill(*fspc) ? blorb.Frontispiece() : std::nullopt;
        const IffChunk* picture = number ? blorb.Resource("Pict", *number) : nullptr;
        if (picture && (picture->Id == "PNG " || picture->Id == "JPEG") && fill(*picture))
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
    if (!fill(zcode))
        throw LoadError("Cannot read the story file " + Quoted(path) + ".");
    StoryFile story;
    story.FileKind = StoryFile::Kind::Blorb;
    story.ZCode = CopyZCode(zcode.Data);
    ReadExtras(blorb, wants, story, fill);
    return story;
}

// A container in memory as large as its file, read but for its large pictures and sounds: a
// player waits for the story, not for its cover and music. The memory left unread is zero and
// never touched. Every part the parse reads (the chunk headers, the index) is read; a part
// left out is exactly the data of a chunk, and is read when something asks for it.
class PartlyReadFile {
  public:
    explicit PartlyReadFile(RegularFile& file)
        : m_file(file), m_size(file.Size()),
          m_bytes(static_cast<uint8_t*>(std::calloc(std::max<size_t>(m_size, 1), 1)), std::free) {}

    bool Allocated() const { return m_bytes != nullptr; }
    std::span<const uint8_t> Bytes() const { return {m_bytes.get(), m_size}; }

    /// Reads all but the data of large resources; false when the file could not be read.
    bool Read() {
        const size_t head = std::min(m_size, kHeadBytes);
        if (!m_file.ReadAt(0, m_bytes.get(), head))
            return false;
        ChooseGaps(head);
        // Everything outside the gaps, after the head.
        size_t at = head;
        for (const auto& [begin, end] : m_gaps) {
            if (begin > at && !m_file.ReadAt(at, m_bytes.get() + at, begin - at))
                return false;
            at = std::max(at, end);
        }
        return at >= m_size || m_file.ReadAt(at, m_bytes.get() + at, m_size - at);
    }

    /// Whether the parse of these bytes read nothing that was left out: every gap is the
    /// data of a chunk the walk found, and not the index.
    bool Consistent(const IffForm& form) const {
        for (const auto& [begin, end] : m_gaps) {
            const IffChunk* chunk = begin >= 8 ? form.At(begin - 8) : nullptr;
            if (!chunk || chunk->Id == "RIdx" || chunk->Data.data() != m_bytes.get() + begin ||
                chunk->Data.size() != end - begin)
                return false;
        }
        return true;
    }

    /// Reads what was left out of data, if anything.
    bool Fill(std::span<const uint8_t> data) {
        const size_t begin = static_cast<size_t>(data.data() - m_bytes.get());
        const size_t end = begin + data.size();
        for (auto gap = m_gaps.begin(); gap != m_gaps.end();) {
            if (gap->first < end && begin < gap->second) {
                if (!m_file.ReadAt(gap->first, m_bytes.get() + gap->first,
                                   gap->second - gap->first))
                    return false;
                gap = m_gaps.erase(gap);
            } else {
                ++gap;
            }
        }
        return true;
    }

    bool FillAll() { return Fill(Bytes()); }

  private:
    // The gaps: the data of the large non-executable resources the index names, when the
    // index is the first chunk, as it should be. Anything else leaves no gaps.
    void ChooseGaps(size_t head) {
        if (head < 20 ||
            std::string_view(reinterpret_cast<const char*>(m_bytes.get() + 12), 4) != "RIdx")
            return;
        const size_t indexLength = Long(16);
        if (indexLength > m_size - 20 ||
            (20 + indexLength > head &&
             !m_file.ReadAt(head, m_bytes.get() + head, 20 + indexLength - head)))
            return;
        const size_t read = std::max(head, 20 + indexLength);
        const auto index = ReadResourceIndex({m_bytes.get() + 20, indexLength});
        if (!index)
            return;
        for (const BlorbResource& entry : *index) {
            const size_t offset = entry.Offset;
            if (entry.Usage == "Exec" || offset < read || offset > m_size - 8)
                continue;
            if (!m_file.ReadAt(offset, m_bytes.get() + offset, 8))
                return;
            const size_t length = Long(offset + 4);
            if (length >= kSkipAtLeast && length <= m_size - offset - 8)
                m_gaps.emplace_back(offset + 8, offset + 8 + length);
        }
        // A resource indexed twice (under two numbers) is one gap.
        std::sort(m_gaps.begin(), m_gaps.end());
        m_gaps.erase(std::unique(m_gaps.begin(), m_gaps.end()), m_gaps.end());
        // Gaps that overlap (a hostile index) are not chunk data: none is left out.
        for (size_t i = 1; i < m_gaps.size(); ++i)
            if (m_gaps[i].first < m_gaps[i - 1].second + 8)
                m_gaps.clear();
    }

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
               [&](const IffChunk& chunk) { return container.Fill(chunk.Data); });
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
        StoryFile story =
            FromBlorb(Blorb::Parse(bytes), name, wants, [](const IffChunk&) { return true; });
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
    StoryFile story = FromBlorb(*blorb, path, wants,
                                [&](const IffChunk& chunk) { return container.Fill(chunk.Data); });
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
        // The record may name the story by other IFIDs too (a later release's, say).
        for (const std::string& ifid : story.Record->Ifids)
            if (std::none_of(facts.begin(), facts.end(), [&](const auto& fact) {
                    return fact.first == "IFID" && fact.second == ifid;
                }))
                facts.emplace_back("IFID", ifid);
        for (const StoryField& field : story.Record->Fields) {
            std::string value = field.Value;
            std::replace(value.begin(), value.end(), '\n', ' ');
            facts.emplace_back(field.Name, value);
        }
    }
    if (story.Cover)
        facts.emplace_back("Cover", story.Cover->Format + ", " +
                                        std::to_string(story.Cover->Bytes.size()) + " bytes");
    // Nothing but printable text reaches a terminal: the serial and the record are the
    // story's own bytes.
    for (auto& fact : facts) {
        std::string& text = fact.second;
        for (size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
            const bool c1 = c == 0xC2 && next >= 0x80 && next < 0xA0;
            if (c < ' ' || c == 0x7F)
                text[i] = '?';
            else if (c1)
                text.replace(i, 2, "?");
        }
    }
    return facts;
}

} // namespace lantern
