#include "files/Blorb.h"

#include <array>
#include <utility>

namespace lantern {

std::optional<std::vector<BlorbResource>> ReadResourceIndex(std::span<const uint8_t> data) {
    BigEndianReader reader{data};
    const uint32_t count = reader.Take(4);
    if (reader.Failed || (data.size() - 4) / 12 != count || (data.size() - 4) % 12 != 0)
        return std::nullopt;
    std::vector<BlorbResource> index(count);
    for (BlorbResource& entry : index) {
        entry.Usage = {reinterpret_cast<const char*>(data.data() + reader.Pos), 4};
        reader.Pos += 4;
        entry.Number = reader.Take(4);
        entry.Offset = reader.Take(4);
    }
    return index;
}

Blorb Blorb::Parse(std::span<const uint8_t> file) {
    Blorb blorb;
    blorb.m_form = IffForm::Parse(file);
    if (blorb.m_form.GetStatus() == IffForm::Status::NotIff)
        return blorb;
    if (blorb.m_form.Type() != "IFRS") {
        blorb.m_status = Status::NotBlorb;
        return blorb;
    }
    blorb.m_status = Status::Damaged;
    if (!blorb.m_form.Ok()) {
        blorb.m_problem = blorb.m_form.Chunks().size() == kMaxIffChunks
                              ? "it has more parts than a story file can have"
                              : "a part of it runs past the end of the file";
        return blorb;
    }
    const IffChunk* index = blorb.m_form.Find("RIdx");
    if (!index) {
        blorb.m_problem = "it has no resource index";
        return blorb;
    }
    auto entries = index->Data.size() <= kMaxResourceIndexBytes ? ReadResourceIndex(index->Data)
                                                                : std::nullopt;
    if (!entries) {
        blorb.m_problem = "its resource index is inconsistent";
        return blorb;
    }
    blorb.m_index = std::move(*entries);
    for (const BlorbResource& entry : blorb.m_index) {
        if (!blorb.m_form.At(entry.Offset)) {
            blorb.m_problem = "its resource index names a part that is not there";
            return blorb;
        }
    }
    blorb.m_status = Status::Ok;
    return blorb;
}

const IffChunk* Blorb::Resource(std::string_view usage, uint32_t number) const {
    for (const BlorbResource& entry : m_index)
        if (entry.Usage == usage && entry.Number == number)
            return m_form.At(entry.Offset);
    return nullptr;
}

std::optional<uint32_t> Blorb::Frontispiece() const {
    const IffChunk* chunk = m_form.Find("Fspc");
    if (!chunk)
        return std::nullopt;
    BigEndianReader reader{chunk->Data};
    const uint32_t number = reader.Take(4);
    return reader.Failed ? std::nullopt : std::optional<uint32_t>(number);
}

std::string_view ExecutableSystem(std::string_view chunkId) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kSystems = {{
        {"ZCOD", "Z-machine"},
        {"GLUL", "Glulx"},
        {"TAD2", "TADS 2"},
        {"TAD3", "TADS 3"},
        {"HUGO", "Hugo"},
        {"ALAN", "Alan"},
        {"ADRI", "ADRIFT"},
        {"LEVE", "Level 9"},
        {"EXEC", "native-code"},
    }};
    for (const auto& [id, name] : kSystems)
        if (id == chunkId)
            return name;
    return {};
}

} // namespace lantern
