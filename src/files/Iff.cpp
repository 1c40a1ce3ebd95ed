#include "files/Iff.h"

#include <algorithm>

namespace lantern {

namespace {

uint32_t Long(std::span<const uint8_t> bytes, size_t at) {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
           (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

std::string_view FourCharacters(std::span<const uint8_t> bytes, size_t at) {
    return {reinterpret_cast<const char*>(bytes.data() + at), 4};
}

} // namespace

bool LooksLikeIff(std::span<const uint8_t> bytes) {
    return bytes.size() >= 12 && FourCharacters(bytes, 0) == "FORM";
}

IffForm IffForm::Parse(std::span<const uint8_t> file) {
    IffForm form;
    if (!LooksLikeIff(file))
        return form;
    form.m_status = Status::Damaged;
    form.m_type = FourCharacters(file, 8);
    const uint64_t formLength = Long(file, 4);
    if (formLength < 4 || formLength > file.size() - 8)
        return form;
    const size_t formEnd = static_cast<size_t>(formLength) + 8;
    for (size_t pos = 12; formEnd - pos >= 8;) {
        const uint64_t size = Long(file, pos + 4);
        if (size > formEnd - pos - 8 || form.m_chunks.size() == kMaxIffChunks)
            return form;
        form.m_chunks.push_back(
            {FourCharacters(file, pos), pos, file.subspan(pos + 8, static_cast<size_t>(size))});
        // The pad byte of the last chunk may be missing from the FORM's length: the loop ends.
        pos += 8 + static_cast<size_t>(size) + static_cast<size_t>(size % 2);
        if (pos > formEnd)
            break;
    }
    form.m_status = Status::Ok;
    return form;
}

const IffChunk* IffForm::Find(std::string_view id) const {
    for (const IffChunk& chunk : m_chunks)
        if (chunk.Id == id)
            return &chunk;
    return nullptr;
}

const IffChunk* IffForm::At(size_t offset) const {
    // The chunks are in the order of their offsets: a resource index of thousands of entries
    // finds its chunks at once.
    const auto chunk =
        std::lower_bound(m_chunks.begin(), m_chunks.end(), offset,
                         [](const IffChunk& each, size_t wanted) { return each.Offset < wanted; });
    return chunk != m_chunks.end() && chunk->Offset == offset ? &*chunk : nullptr;
}

uint32_t BigEndianReader::Take(int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        if (Pos >= Data.size()) {
            Failed = true;
            return 0;
        }
        value = (value << 8) | Data[Pos++];
    }
    return value;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, std::string_view id, std::span<const uint8_t> data) {
    out.insert(out.end(), id.begin(), id.end());
    PutBigEndian(out, static_cast<uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0)
        out.push_back(0);
}

} // namespace lantern
