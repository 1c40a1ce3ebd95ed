#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// The most chunks a FORM may have: far more than any saved game or story container has, few
/// enough to walk at once.
inline constexpr size_t kMaxIffChunks = size_t{1} << 16;

/// One chunk of an IFF file: its four-character id and its data, both inside the file's bytes.
struct IffChunk {
    std::string_view Id;
    size_t Offset = 0; ///< where the chunk's id starts, from the start of the file
    std::span<const uint8_t> Data;
};

/// The chunks of an IFF file: one FORM with a four-character type and chunks inside it, every
/// number big-endian, a pad byte after each chunk of odd length. Saved games and story
/// containers are both read through here, so that the bounds are checked in one place.
class IffForm {
  public:
    enum class Status {
        Ok,
        NotIff,  ///< the file does not start with a FORM
        Damaged, ///< the FORM or a chunk inside it runs past its end
    };

    /// Reads the FORM at the start of file. The form views file's bytes, which must outlive it.
    /// Bytes after the FORM are ignored; a chunk that runs past the FORM, or more than
    /// kMaxIffChunks chunks, make it Damaged.
    static IffForm Parse(std::span<const uint8_t> file);

    Status GetStatus() const { return m_status; }
    bool Ok() const { return m_status == Status::Ok; }
    /// The FORM's type, for example "IFZS" or "IFRS" (empty when NotIff).
    std::string_view Type() const { return m_type; }
    const std::vector<IffChunk>& Chunks() const { return m_chunks; }
    /// The first chunk with this id, or nothing.
    const IffChunk* Find(std::string_view id) const;
    /// The chunk whose id starts at offset in the file, or nothing.
    const IffChunk* At(size_t offset) const;

  private:
    Status m_status = Status::NotIff;
    std::string_view m_type;
    std::vector<IffChunk> m_chunks;
};

/// Whether bytes start like an IFF FORM ("FORM", a length and a type).
bool LooksLikeIff(std::span<const uint8_t> bytes);

/// Reads big-endian numbers one after another from a span; reading past its end sets Failed and
/// gives 0, so a short chunk is found by one check at the end.
struct BigEndianReader {
    std::span<const uint8_t> Data;
    size_t Pos = 0;
    bool Failed = false;

    uint32_t Take(int bytes);
    bool AtEnd() const { return Pos >= Data.size(); }
};

/// Appends value's low bytes (big-endian) to out.
void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes);
/// Appends a chunk (id, length, data and the pad byte of an odd length) to out.
void PutChunk(std::vector<uint8_t>& out, std::string_view id, std::span<const uint8_t> data);

} // namespace lantern
