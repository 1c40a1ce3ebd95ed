#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// One field of a story's bibliographic record: its iFiction element ("firstpublished"), its
/// name for a reader ("First published") and its text (UTF-8, white space collapsed; the
/// paragraphs of a description apart by "\n").
struct StoryField {
    std::string_view Element;
    std::string_view Name;
    std::string Value;
};

/// What a story says about itself: the first story of an iFiction record (a Blorb's "IFmd").
struct StoryRecord {
    std::vector<std::string> Ifids;
    /// The bibliographic fields present, in a fixed order (title, author, headline, first
    /// published, genre, ...).
    std::vector<StoryField> Fields;

    /// The text of a field by its element name, empty when absent.
    std::string Get(std::string_view element) const;
};

/// The largest record read; a larger one is not a story's record.
inline constexpr size_t kMaxRecordBytes = 1u << 20;

/// Reads an iFiction record with a well-kept XML parser. Malformed or hostile XML (larger than
/// kMaxRecordBytes, nested deeper than a record is, declaring a document type or entities)
/// gives nothing.
std::optional<StoryRecord> ParseStoryRecord(std::string_view xml);

} // namespace lantern
