#pragma once

#include "files/Iff.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// One entry of a Blorb's resource index: what the resource is used as ("Exec", "Pict",
/// "Snd ", "Data"), its number and where its chunk starts in the file.
struct BlorbResource {
    std::string_view Usage;
    uint32_t Number = 0;
    uint32_t Offset = 0;
};

/// The largest resource index read: an entry for each chunk a FORM may have.
inline constexpr size_t kMaxResourceIndexBytes = 4 + 12 * kMaxIffChunks;

/// Reads the data of a resource index chunk ("RIdx": a count, then 12 bytes an entry). Nothing
/// when the count and the length disagree.
std::optional<std::vector<BlorbResource>> ReadResourceIndex(std::span<const uint8_t> data);

/// A Blorb story container (an IFF FORM of type IFRS) read from the bytes of a file: its
/// resource index and the chunks it names. Views the bytes, which must outlive it.
class Blorb {
  public:
    enum class Status {
        Ok,
        NotIff,   ///< the bytes do not start with a FORM
        NotBlorb, ///< an IFF file of another type (FormType says which)
        Damaged,  ///< truncated or inconsistent (Problem says how)
    };

    static Blorb Parse(std::span<const uint8_t> file);

    Status GetStatus() const { return m_status; }
    /// The FORM's type, for example "IFZS" for a saved game.
    std::string_view FormType() const { return m_form.Type(); }
    /// What is wrong with a damaged file, as the end of a sentence ("a chunk runs past ...").
    const std::string& Problem() const { return m_problem; }

    const std::vector<BlorbResource>& Index() const { return m_index; }
    /// The executable (resource "Exec" 0): ZCOD for Z-code, GLUL for Glulx and so on. Nothing
    /// in a file of resources only.
    const IffChunk* Executable() const { return Resource("Exec", 0); }
    /// The chunk of a resource, by usage and number.
    const IffChunk* Resource(std::string_view usage, uint32_t number) const;
    /// The picture resource that is the story's cover, when the file names one ("Fspc").
    std::optional<uint32_t> Frontispiece() const;
    /// The first chunk with this id (IFmd, IFhd, RelN...).
    const IffChunk* Chunk(std::string_view id) const { return m_form.Find(id); }
    const IffForm& Form() const { return m_form; }

  private:
    Status m_status = Status::NotIff;
    IffForm m_form;
    std::vector<BlorbResource> m_index;
    std::string m_problem;
};

/// The system an executable chunk's id stands for ("Glulx" for "GLUL"); empty when unknown.
std::string_view ExecutableSystem(std::string_view chunkId);

} // namespace lantern
