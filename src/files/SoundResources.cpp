#include "files/SoundResources.h"

#include "files/Blorb.h"
#include "files/Iff.h"
#include "files/StoryFile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace lantern {

namespace {

// A walk of a resource file's chunks stops after this many: no story needs more, and a hostile
// file of tiny chunks must not take long.
constexpr size_t kMaxChunks = 65536;
// The index and the Loop chunk are read whole up to these sizes (an entry is 12 or 8 bytes).
constexpr size_t kMaxIndexBytes = 12u << 16;
constexpr size_t kMaxLoopBytes = 8u << 16;
// Sample rates and formats a sound may have; the device resamples to its own.
constexpr double kMinRate = 100;
constexpr double kMaxRate = 384000;
constexpr int kMaxChannels = 8;
// What one second of decoded sound takes: 16-bit stereo at 44.1 kHz.
constexpr double kDecodedBytesPerSecond = 44100.0 * 4;

uint32_t Long(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

std::string Text(const uint8_t* p, size_t length) {
    return {reinterpret_cast<const char*>(p), length};
}

// A chunk found by walking the file: where its id starts, its id and the length of its data.
struct ChunkHead {
    size_t Offset = 0;
    std::string Id;
    size_t Length = 0;
};

// The top-level chunks of the resource file open in file (a FORM of type IFRS), as far as they
// lie whole inside it.
std::vector<ChunkHead> WalkChunks(RegularFile& file) {
    std::vector<ChunkHead> chunks;
    uint8_t head[12];
    if (file.Size() < sizeof head || !file.ReadAt(0, head, sizeof head) ||
        Text(head, 4) != "FORM" || Text(head + 8, 4) != "IFRS")
        return chunks;
    const size_t end = std::min<size_t>(size_t{Long(head + 4)} + 8, file.Size());
    for (size_t at = 12; end - at >= 8 && chunks.size() < kMaxChunks;) {
        uint8_t chunk[8];
        if (!file.ReadAt(at, chunk, sizeof chunk))
            break;
        const size_t length = Long(chunk + 4);
        if (length > end - at - 8)
            break;
        chunks.push_back({at, Text(chunk, 4), length});
        at += 8 + length + length % 2;
        if (at > end)
            break;
    }
    return chunks;
}

const ChunkHead* FindChunk(const std::vector<ChunkHead>& chunks, std::string_view id) {
    const auto found =
        std::find_if(chunks.begin(), chunks.end(), [&](const ChunkHead& c) { return c.Id == id; });
    return found == chunks.end() ? nullptr : &*found;
}

std::optional<std::vector<uint8_t>> ReadChunkData(RegularFile& file, const ChunkHead& chunk,
                                                  size_t limit) {
    if (chunk.Length > limit)
        return std::nullopt;
    std::vector<uint8_t> data(chunk.Length);
    if (!file.ReadAt(chunk.Offset + 8, data.data(), data.size()))
        return std::nullopt;
    return data;
}

// The file holding a story's sounds: the story itself when it is a Blorb, else the resource
// file of the same name beside it.
std::string SoundFilePath(const std::string& storyPath, RegularFile& story) {
    uint8_t head[12] = {};
    if (story.Ok() && story.Size() >= sizeof head && story.ReadAt(0, head, sizeof head) &&
        LooksLikeIff(head))
        return storyPath;
    const std::string beside = std::filesystem::path(storyPath).replace_extension(".blb").string();
    return beside == storyPath ? std::string() : beside;
}

} // namespace

SoundResources SoundResources::Find(const std::string& storyPath, const ZCodeIdentity& identity) {
    SoundResources sounds;
    RegularFile story(storyPath, kMaxContainerSize);
    const std::string path = SoundFilePath(storyPath, story);
    if (path.empty())
        return sounds;
    auto file = std::make_unique<RegularFile>(path, kMaxContainerSize);
    if (!file->Ok())
        return sounds;
    const std::vector<ChunkHead> chunks = WalkChunks(*file);
    // The index comes first; a file without one has nothing to find.
    if (chunks.empty() || chunks.front().Id != "RIdx")
        return sounds;
    // A resource file that names another story is not this story's.
    if (path != storyPath) {
        if (const ChunkHead* header = FindChunk(chunks, "IFhd")) {
            const auto data = ReadChunkData(*file, *header, 64);
            if (!data || data->size() < 10 ||
                (((*data)[0] << 8) | (*data)[1]) != identity.Release ||
                Text(data->data() + 2, 6) != identity.Serial ||
                (((*data)[8] << 8) | (*data)[9]) != identity.Checksum)
                return sounds;
        }
    }
    const auto indexData = ReadChunkData(*file, chunks.front(), kMaxIndexBytes);
    const auto index = indexData ? ReadResourceIndex(*indexData) : std::nullopt;
    if (!index)
        return sounds;
    for (const BlorbResource& resource : *index) {
        if (resource.Usage != "Snd " || resource.Number > 0x7FFF)
            continue;
        // The walk found the chunks in the order of their offsets.
        const auto chunk = std::lower_bound(
            chunks.begin(), chunks.end(), size_t{resource.Offset},
            [](const ChunkHead& c, size_t offset) { return c.Offset < offset; });
        if (chunk == chunks.end() || chunk->Offset != resource.Offset)
            continue;
        Entry entry{chunk->Id, {}, chunk->Offset + 8, chunk->Length};
        uint8_t type[4];
        if (entry.Id == "FORM" && entry.Length >= 4 && file->ReadAt(entry.Offset, type, 4))
            entry.FormType = Text(type, 4);
        sounds.m_sounds[static_cast<int>(resource.Number)] = std::move(entry);
    }
    if (sounds.m_sounds.empty())
        return sounds;
    if (const ChunkHead* loop = FindChunk(chunks, "Loop")) {
        if (const auto data = ReadChunkData(*file, *loop, kMaxLoopBytes)) {
            for (size_t at = 0; at + 8 <= data->size(); at += 8) {
                const uint32_t number = Long(data->data() + at);
                if (number <= 0x7FFF && sounds.m_sounds.count(static_cast<int>(number)) != 0)
                    sounds.m_loops[static_cast<int>(number)] = Long(data->data() + at + 4);
                else
                    sounds.m_loopsWithoutSound.push_back(number);
            }
        }
    }
    sounds.m_path = path;
    sounds.m_file = std::move(file);
    return sounds;
}

bool SoundResources::MayHaveSounds(const std::string& storyPath) {
    RegularFile story(storyPath, kMaxContainerSize);
    const std::string path = SoundFilePath(storyPath, story);
    if (path.empty())
        return false;
    RegularFile file(path, kMaxContainerSize);
    uint8_t head[20];
    if (!file.Ok() || file.Size() < sizeof head || !file.ReadAt(0, head, sizeof head) ||
        Text(head, 4) != "FORM" || Text(head + 8, 4) != "IFRS" || Text(head + 12, 4) != "RIdx")
        return false;
    const ChunkHead index{12, "RIdx", Long(head + 16)};
    if (index.Length > file.Size() - 20)
        return false;
    const auto data = ReadChunkData(file, index, kMaxIndexBytes);
    const auto entries = data ? ReadResourceIndex(*data) : std::nullopt;
    return entries && std::any_of(entries->begin(), entries->end(),
                                  [](const BlorbResource& r) { return r.Usage == "Snd "; });
}

const SoundResources::Entry* SoundResources::Get(int number) const {
    const auto found = m_sounds.find(number);
    return found == m_sounds.end() ? nullptr : &found->second;
}

std::optional<uint32_t> SoundResources::LoopValue(int number) const {
    const auto found = m_loops.find(number);
    return found == m_loops.end() ? std::nullopt : std::optional<uint32_t>(found->second);
}

std::optional<std::vector<uint8_t>> SoundResources::Read(int number, std::string& problem) {
    const Entry* entry = Get(number);
    if (!entry || !m_file) {
        problem = "no such sound";
        return std::nullopt;
    }
    if (entry->Length > kMaxSoundBytes) {
        problem = "larger than " + std::to_string(kMaxSoundBytes >> 20) + " MiB";
        return std::nullopt;
    }
    std::vector<uint8_t> data(entry->Length);
    if (!m_file->ReadAt(entry->Offset, data.data(), data.size())) {
        problem = "cannot be read from " + m_path;
        return std::nullopt;
    }
    return data;
}

double ExtendedFloat(std::span<const uint8_t, 10> bytes) {
    const int exponent = ((bytes[0] & 0x7F) << 8) | bytes[1];
    uint64_t mantissa = 0;
    for (size_t i = 2; i < 10; ++i)
        mantissa = (mantissa << 8) | bytes[i];
    if ((bytes[0] & 0x80) != 0 || exponent == 0x7FFF || mantissa == 0)
        return 0;
    // The mantissa holds its integer bit: the value is mantissa * 2^(exponent - 16383 - 63).
    return std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
}

std::optional<std::vector<uint8_t>> CheckAiff(std::span<const uint8_t> form, std::string& problem) {
    problem.clear();
    if (form.size() < 4 || Text(form.data(), 4) != "AIFF") {
        problem = "not an AIFF sound";
        return std::nullopt;
    }
    std::span<const uint8_t> comm;
    std::span<const uint8_t> ssnd;
    bool cut = false;
    for (size_t at = 4; form.size() - at >= 8;) {
        const std::string id = Text(form.data() + at, 4);
        size_t length = Long(form.data() + at + 4);
        if (length > form.size() - at - 8) {
            length = form.size() - at - 8; // a truncated last chunk: what is there
            cut = true;
        }
        const auto data = form.subspan(at + 8, length);
        if (id == "COMM" && comm.empty())
            comm = data;
        else if (id == "SSND" && ssnd.empty())
            ssnd = data;
        at += 8 + length + length % 2;
        if (at > form.size())
            break;
    }
    if (comm.size() < 18 || ssnd.size() < 8) {
        problem = comm.size() < 18 ? "an AIFF sound without its format (COMM)"
                                   : "an AIFF sound without samples (SSND)";
        return std::nullopt;
    }
    const int channels = (comm[0] << 8) | comm[1];
    const uint32_t frames = Long(comm.data() + 2);
    const int bits = (comm[6] << 8) | comm[7];
    const double rate = ExtendedFloat(comm.subspan<8, 10>());
    if (channels < 1 || channels > kMaxChannels || bits < 1 || bits > 32 || rate < kMinRate ||
        rate > kMaxRate) {
        problem = "an AIFF sound of a format that cannot play";
        return std::nullopt;
    }
    const size_t frameBytes = static_cast<size_t>(channels) * static_cast<size_t>((bits + 7) / 8);
    const size_t offset = Long(ssnd.data());
    const size_t held = offset <= ssnd.size() - 8 ? (ssnd.size() - 8 - offset) / frameBytes : 0;
    const size_t playable = std::min<size_t>(frames, held);
    if (playable == 0) {
        problem = "an AIFF sound without samples";
        return std::nullopt;
    }
    if (static_cast<double>(playable) / rate * kDecodedBytesPerSecond >
        static_cast<double>(kMaxDecodedSoundBytes)) {
        problem = "an AIFF sound larger than " + std::to_string(kMaxDecodedSoundBytes >> 20) +
                  " MiB when decoded";
        return std::nullopt;
    }
    if (cut || playable < frames)
        problem = "a truncated AIFF sound: " + std::to_string(playable) + " of its " +
                  std::to_string(frames) + " frames play";
    // The same sample, in a file without anything else: COMM with the frames there are, SSND
    // with the samples from its start.
    std::vector<uint8_t> commData(comm.begin(), comm.begin() + 18);
    commData[2] = static_cast<uint8_t>(playable >> 24);
    commData[3] = static_cast<uint8_t>(playable >> 16);
    commData[4] = static_cast<uint8_t>(playable >> 8);
    commData[5] = static_cast<uint8_t>(playable);
    std::vector<uint8_t> ssndData(8, 0);
    const auto samples = ssnd.subspan(8 + offset, playable * frameBytes);
    ssndData.insert(ssndData.end(), samples.begin(), samples.end());
    std::vector<uint8_t> body{'A', 'I', 'F', 'F'};
    PutChunk(body, "COMM", commData);
    PutChunk(body, "SSND", ssndData);
    std::vector<uint8_t> file{'F', 'O', 'R', 'M'};
    PutBigEndian(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

} // namespace lantern
