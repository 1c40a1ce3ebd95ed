#include "files/Metadata.h"

#include <array>
#include <expat.h>
#include <memory>
#include <utility>

namespace lantern {

namespace {

// A record is ifindex > story > bibliographic > description > br: a few levels.
constexpr int kMaxDepth = 16;
// Stands for a <br/> in the text collected; XML cannot carry this character.
constexpr char kBreak = '\x01';

struct KnownField {
    std::string_view Element;
    std::string_view Name;
};
constexpr std::array<KnownField, 11> kFields = {{
    {"title", "Title"},
    {"author", "Author"},
    {"headline", "Headline"},
    {"firstpublished", "First published"},
    {"genre", "Genre"},
    {"group", "Group"},
    {"series", "Series"},
    {"seriesnumber", "Series number"},
    {"language", "Language"},
    {"forgiveness", "Forgiveness"},
    {"description", "Description"},
}};

// Runs of white space become one space, and none is left at either end.
std::string Collapse(std::string_view text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

class RecordReader {
  public:
    explicit RecordReader(XML_Parser parser) : m_parser(parser) {}

    void Start(std::string_view name) {
        if (m_refused)
            return;
        if (++m_depth > kMaxDepth) {
            Refuse();
            return;
        }
        m_path.push_back(LocalName(name));
        if (m_depth == 1 && m_path[0] != "ifindex")
            Refuse();
        else if (m_depth == 2 && m_path[1] == "story")
            ++m_stories;
        else if (InFirstStory() && m_depth == 4) // a field of the record starts
            m_text.clear();
        else if (InFirstStory() && m_depth == 5 && m_path[3] == "description" && m_path[4] == "br")
            m_text += kBreak;
    }

    void End() {
        if (m_refused || m_path.empty())
            return;
        if (InFirstStory() && m_depth == 4 && m_path[2] == "bibliographic")
            Keep(m_path[3]);
        else if (InFirstStory() && m_depth == 4 && m_path[2] == "identification" &&
                 m_path[3] == "ifid" && !Collapse(m_text).empty())
            m_record.Ifids.push_back(Collapse(m_text));
        m_path.pop_back();
        --m_depth;
    }

    void Text(std::string_view text) {
        if (InFirstStory() && m_depth >= 4)
            m_text += text;
    }

    // A document type may declare entities that expand without end: no record has one.
    void Refuse() {
        m_refused = true;
        XML_StopParser(m_parser, XML_FALSE);
    }

    std::optional<StoryRecord> Result() const {
        if (m_refused || m_stories == 0)
            return std::nullopt;
        StoryRecord record = m_record;
        std::vector<StoryField> ordered;
        for (const KnownField& known : kFields)
            for (StoryField& field : record.Fields)
                if (field.Element == known.Element) {
                    ordered.push_back(std::move(field));
                    break;
                }
        record.Fields = std::move(ordered);
        return record;
    }

  private:
    static std::string LocalName(std::string_view name) {
        // Namespaced names arrive as "uri|local".
        const size_t bar = name.rfind('|');
        return std::string(bar == std::string_view::npos ? name : name.substr(bar + 1));
    }

    bool InFirstStory() const {
        return m_stories == 1 && m_path.size() >= 2 && m_path[1] == "story";
    }

    void Keep(const std::string& element) {
        for (const KnownField& known : kFields) {
            if (known.Element != element)
                continue;
            // Each paragraph of a description is collapsed on its own.
            std::string value;
            size_t start = 0;
            for (;;) {
                const size_t end = m_text.find(kBreak, start);
                const std::string paragraph = Collapse(std::string_view(m_text).substr(
                    start, end == std::string::npos ? std::string::npos : end - start));
                if (!paragraph.empty())
                    value += (value.empty() ? "" : "\n") + paragraph;
                if (end == std::string::npos)
                    break;
                start = end + 1;
            }
            bool present = false;
            for (const StoryField& field : m_record.Fields)
                present = present || field.Element == known.Element;
            if (!value.empty() && !present)
                m_record.Fields.push_back({known.Element, known.Name, std::move(value)});
            return;
        }
    }

    XML_Parser m_parser;
    int m_depth = 0;
    int m_stories = 0;
    bool m_refused = false;
    std::vector<std::string> m_path;
    std::string m_text;
    StoryRecord m_record;
};

} // namespace

std::string StoryRecord::Get(std::string_view element) const {
    for (const StoryField& field : Fields)
        if (field.Element == element)
            return field.Value;
    return {};
}

std::optional<StoryRecord> ParseStoryRecord(std::string_view xml) {
    if (xml.size() > kMaxRecordBytes)
        return std::nullopt;
    const std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(
        XML_ParserCreateNS(nullptr, '|'), XML_ParserFree);
    if (!parser)
        return std::nullopt;
    RecordReader reader(parser.get());
    XML_SetUserData(parser.get(), &reader);
    XML_SetElementHandler(
        parser.get(),
        [](void* data, const XML_Char* name, const XML_Char**) {
            static_cast<RecordReader*>(data)->Start(name);
        },
        [](void* data, const XML_Char*) { static_cast<RecordReader*>(data)->End(); });
    XML_SetCharacterDataHandler(parser.get(), [](void* data, const XML_Char* text, int length) {
        static_cast<RecordReader*>(data)->Text({text, static_cast<size_t>(length)});
    });
    XML_SetStartDoctypeDeclHandler(parser.get(),
                                   [](void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                      int) { static_cast<RecordReader*>(data)->Refuse(); });
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    if (XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE) !=
        XML_STATUS_OK)
        return std::nullopt;
    return reader.Result();
}

} // namespace lantern
