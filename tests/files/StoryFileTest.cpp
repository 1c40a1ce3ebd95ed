// Story files as players have them: bare, in a Blorb, beside a resource file; what they say
// about themselves; and the broken and hostile shapes they come in.
#include "files/StoryFile.h"

#include "files/Metadata.h"
#include "memory/StoryError.h"
#include "support/BlorbBuilder.h"
#include "support/StoryBuilder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace lantern {
namespace {

using test::BlorbPart;
using test::BuildBlorb;

const std::string kRecord = R"(<?xml version="1.0" encoding="UTF-8"?>
<ifindex version="1.0" xmlns="http://babel.ifarchive.org/protocol/iFiction/"><story>
<identification><ifid>ZCODE-7-260101</ifid><ifid>ABCD</ifid><format>zcode</format></identification>
<bibliographic><title>  The  Test </title><author>A. N. Author &amp; B</author>
<description>First line
  goes on.<br/><br/>Second &#233;.</description><firstpublished>2026</firstpublished>
<unknown>ignored</unknown></bibliographic></story><story><bibliographic><title>Second story</title>
</bibliographic></story></ifindex>)";

std::vector<uint8_t> Story(const std::string& serial = "260101", int release = 7) {
    test::StoryBuilder builder(5);
    builder.Word(0x02, release).Word(0x1C, 0xBEEF);
    for (size_t i = 0; i < 6; ++i)
        builder.Byte(0x12 + static_cast<int32_t>(i), serial[i]);
    return builder.Raw();
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string LoadFailure(std::span<const uint8_t> bytes) {
    try {
        ReadStoryBytes(bytes, "x.zblorb");
    } catch (const LoadError& e) {
        return e.what();
    }
    return "";
}

class StoryFiles : public ::testing::Test {
  protected:
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("lantern-story-" + std::to_string(::getpid()));
    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = folder / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string Failure(const std::string& path) {
        try {
            ReadStoryFile(path);
        } catch (const LoadError& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(StoryFiles, BareFilesAreReadWholeAndBrokenOnesRefused) {
    const auto story = Story();
    const StoryFile read = ReadStoryFile(Write("story.z5", story));
    EXPECT_EQ(read.FileKind, StoryFile::Kind::Bare);
    EXPECT_EQ(read.ZCode, story);
    EXPECT_GT(read.ZCode.capacity(), story.size()); // room for the image's extra byte

    EXPECT_NE(Failure(folder / "none.z5").find("does not exist"), std::string::npos);
    EXPECT_NE(Failure(Write("empty.z5", {})).find("is empty"), std::string::npos);
    EXPECT_NE(Failure(Write("short.z5", std::vector<uint8_t>(63, 5))).find("too short"),
              std::string::npos);
    EXPECT_NE(Failure(folder).find("not a regular file"), std::string::npos);
    const std::string loop = folder / "loop";
    std::filesystem::create_symlink(loop, loop);
    EXPECT_NE(Failure(loop).find("symbolic links"), std::string::npos);
}

TEST_F(StoryFiles, ABlorbPlaysItsZCodeAndSaysWhatItIs) {
    const auto story = Story();
    const auto cover = test::MakePng(200, 100); // large enough to be left out until asked for
    const auto blorb = BuildBlorb({{"Pict", 1, "PNG ", cover},
                                   {"Snd ", 3, "OGGV", std::vector<uint8_t>(40000, 9)},
                                   {"Exec", 0, "ZCOD", story},
                                   {"", 0, "IFmd", Bytes(kRecord)},
                                   {"", 0, "Fspc", {0, 0, 0, 1}}});
    const std::string path = Write("story.zblorb", blorb);
    const StoryFile played = ReadStoryFile(path);
    EXPECT_EQ(played.FileKind, StoryFile::Kind::Blorb);
    EXPECT_EQ(played.ZCode, story);
    EXPECT_FALSE(played.Record || played.Cover); // playing reads neither

    const StoryFile shown = ReadStoryFile(path, {.Record = true, .Cover = true});
    ASSERT_TRUE(shown.Record && shown.Cover);
    EXPECT_EQ(shown.Cover->Format, "PNG");
    EXPECT_EQ(shown.Cover->Bytes, cover);
    EXPECT_EQ(shown.Title(), "The Test");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Kind", "Blorb"},
        {"Version", "5"},
        {"Release", "7"},
        {"Serial", "260101"},
        {"Checksum", "BEEF"},
        {"IFID", "ZCODE-7-260101"},
        {"IFID", "ABCD"},
        {"Title", "The Test"},
        {"Author", "A. N. Author & B"},
        {"First published", "2026"},
        {"Description", "First line goes on. Second \xC3\xA9."},
        {"Cover", "PNG, " + std::to_string(cover.size()) + " bytes"},
    };
    EXPECT_EQ(DescribeStory(shown), expected);
    EXPECT_EQ(shown.Record->Get("description"), "First line goes on.\nSecond \xC3\xA9.");
    // The same bytes from memory.
    EXPECT_EQ(ReadStoryBytes(blorb, "x", {.Record = true}).Record->Fields.size(), 4u);
}

TEST_F(StoryFiles, AResourceFileBesideABareStoryLendsItsRecordWhenItNamesThatStory) {
    const auto story = Story();
    const std::string path = Write("tale.z5", story);
    Write("tale.blb", BuildBlorb({{"", 0, "IFhd", test::StoryHeaderBlock(story)},
                                  {"", 0, "IFmd", Bytes(kRecord)}}));
    const StoryFile read = ReadStoryFile(path, {.Record = true});
    EXPECT_EQ(read.Title(), "The Test");
    EXPECT_EQ(read.ResourceFile, (folder / "tale.blb").string());
    EXPECT_FALSE(ReadStoryFile(path).Record);

    Write("tale.blb", BuildBlorb({{"", 0, "IFhd", test::StoryHeaderBlock(Story("260102"))},
                                  {"", 0, "IFmd", Bytes(kRecord)}}));
    EXPECT_FALSE(ReadStoryFile(path, {.Record = true}).Record); // another story's
    // Given as the story itself, a resource file is refused.
    EXPECT_NE(Failure(folder / "tale.blb").find("no story: Lantern needs the story file itself"),
              std::string::npos);
}

TEST(StoryRefusals, EachKindOfFileThatIsNotAZStorySaysWhatItIs) {
    const auto story = Story();
    auto exec = [&](const std::string& id) { return BuildBlorb({{"Exec", 0, id, story}}); };
    EXPECT_EQ(LoadFailure(exec("GLUL")), "\"x.zblorb\" is a Glulx story; Lantern plays "
                                         "Z-machine stories (versions 1 to 8).");
    EXPECT_NE(LoadFailure(exec("ADRI")).find("is an ADRIFT story;"), std::string::npos);
    EXPECT_NE(LoadFailure(exec("TAD3")).find("is a TADS 3 story;"), std::string::npos);
    EXPECT_NE(LoadFailure(exec("\x01XYZ")).find("a story for another system (\"?XYZ\")"),
              std::string::npos);
    EXPECT_NE(LoadFailure(BuildBlorb({{"Pict", 1, "PNG ", {1}}})).find("but no story"),
              std::string::npos);
    auto saved = BuildBlorb({});
    saved[8] = 'I', saved[9] = 'F', saved[10] = 'Z', saved[11] = 'S';
    EXPECT_EQ(LoadFailure(saved), "\"x.zblorb\" is a saved game, not a story file.");
    saved[8] = 'A', saved[9] = 'I', saved[10] = 'F', saved[11] = 'F';
    EXPECT_EQ(LoadFailure(saved),
              "\"x.zblorb\" is an IFF file of type \"AIFF\", not a story file.");
    // Damaged: truncated, and an index naming a place where no chunk starts.
    const auto blorb = exec("ZCOD");
    EXPECT_EQ(LoadFailure(std::span(blorb).first(blorb.size() - 1)),
              "The Blorb file \"x.zblorb\" is damaged: a part of it runs past the end of the "
              "file.");
    auto misplaced = blorb;
    misplaced[35] += 2; // the low byte of the first entry's offset
    EXPECT_NE(LoadFailure(misplaced).find("names a part that is not there"), std::string::npos);
    EXPECT_NE(LoadFailure(BuildBlorb({{"", 0, "ZCOD", story}})).find("but no story"),
              std::string::npos);
}

// Every truncation and every single-byte change of a Blorb's structure is refused with a
// message or still plays; read from a file (in parts) it gives the same answer as from memory.
TEST_F(StoryFiles, DamagedBlorbsAreRefusedAlikeFromFilesAndMemory) {
    const auto blorb = BuildBlorb({{"Snd ", 1, "OGGV", std::vector<uint8_t>(20000, 1)},
                                   {"Snd ", 2, "OGGV", std::vector<uint8_t>(20001, 2)},
                                   {"Exec", 0, "ZCOD", Story()},
                                   {"", 0, "IFmd", Bytes(kRecord)}});
    auto answer = [](auto read) -> std::string {
        try {
            const StoryFile story = read();
            return std::string(story.ZCode.begin(), story.ZCode.end()) + story.Title();
        } catch (const LoadError& e) {
            return e.what();
        }
    };
    std::vector<std::vector<uint8_t>> damaged;
    for (size_t length = 12; length < blorb.size(); length += 997)
        damaged.emplace_back(blorb.begin(), blorb.begin() + static_cast<std::ptrdiff_t>(length));
    // The FORM's length, the index (its count, usages, numbers, offsets) and the headers of
    // the first chunks.
    for (size_t at = 4; at < 100; ++at)
        for (uint8_t value : {uint8_t{0}, uint8_t{0x7F}, uint8_t{0xFF}}) {
            damaged.push_back(blorb);
            damaged.back()[at] = value;
        }
    int refused = 0;
    for (const auto& bytes : damaged) {
        const std::string path = Write("damaged.zblorb", bytes);
        const std::string fromMemory =
            answer([&] { return ReadStoryBytes(bytes, path, {.Record = true}); });
        EXPECT_EQ(answer([&] { return ReadStoryFile(path, {.Record = true}); }), fromMemory);
        refused += fromMemory.find("damaged") != std::string::npos;
    }
    EXPECT_GT(refused, 100);
}

// The largest memory this process has held, in bytes.
size_t PeakMemory() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

// A Blorb whose story chunk claims a gigabyte (a sparse file) is refused before it is read,
// and one whose index stands after a gigabyte of picture plays without reading the picture.
TEST_F(StoryFiles, AGigabyteChunkIsNeitherReadNorKept) {
    constexpr uint32_t kGigabyte = (1u << 30) - (1u << 20); // and the file within the largest read
    const auto story = Story();
    // Bytes at an offset of a file; what lies between is a hole that takes no room on disk.
    auto place = [](std::fstream& file, size_t at, const std::vector<uint8_t>& bytes) {
        file.seekp(static_cast<std::streamoff>(at));
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    auto header = [](std::string_view id, uint32_t length) {
        std::vector<uint8_t> bytes(id.begin(), id.end());
        PutBigEndian(bytes, length, 4);
        return bytes;
    };
    const size_t before = PeakMemory();

    // The index first, then a story chunk of a gigabyte that starts as version 5.
    const std::string huge = folder / "huge.zblorb";
    {
        std::vector<uint8_t> head = header("FORM", 36 + kGigabyte);
        head.insert(head.end(), {'I', 'F', 'R', 'S'});
        const auto index = header("RIdx", 16);
        head.insert(head.end(), index.begin(), index.end());
        PutBigEndian(head, 1, 4);
        head.insert(head.end(), {'E', 'x', 'e', 'c', 0, 0, 0, 0, 0, 0, 0, 36});
        const auto zcode = header("ZCOD", kGigabyte);
        head.insert(head.end(), zcode.begin(), zcode.end());
        head.push_back(5);
        std::fstream file(huge, std::ios::out | std::ios::binary);
        place(file, 0, head);
        place(file, 44 + kGigabyte - 1, {0});
    }
    EXPECT_EQ(Failure(huge), "The Blorb file \"" + huge +
                                 "\" is damaged: its story is larger than a story of version 5 "
                                 "can be.");

    // A gigabyte of picture named as the cover, the story, and the index last: the story is
    // read, the cover (too large to be one) is not.
    const std::string late = folder / "late-index.zblorb";
    {
        const size_t zcodeAt = 20 + kGigabyte;
        const size_t indexAt = zcodeAt + 8 + story.size() + 12;
        const size_t end = indexAt + 8 + 28;
        std::fstream file(late, std::ios::out | std::ios::binary);
        std::vector<uint8_t> head = header("FORM", static_cast<uint32_t>(end - 8));
        head.insert(head.end(), {'I', 'F', 'R', 'S'});
        const auto picture = header("PNG ", kGigabyte);
        head.insert(head.end(), picture.begin(), picture.end());
        place(file, 0, head);
        std::vector<uint8_t> tail = header("ZCOD", static_cast<uint32_t>(story.size()));
        tail.insert(tail.end(), story.begin(), story.end());
        tail.insert(tail.end(), {'F', 's', 'p', 'c', 0, 0, 0, 4, 0, 0, 0, 1});
        const auto index = header("RIdx", 28);
        tail.insert(tail.end(), index.begin(), index.end());
        PutBigEndian(tail, 2, 4);
        tail.insert(tail.end(), {'P', 'i', 'c', 't', 0, 0, 0, 1, 0, 0, 0, 12});
        tail.insert(tail.end(), {'E', 'x', 'e', 'c', 0, 0, 0, 0});
        PutBigEndian(tail, static_cast<uint32_t>(zcodeAt), 4);
        place(file, zcodeAt, tail);
    }
    const StoryFile read = ReadStoryFile(late, {.Record = true, .Cover = true});
    EXPECT_EQ(read.ZCode, story);
    EXPECT_FALSE(read.Cover);
    EXPECT_LT(PeakMemory() - before, size_t{256} << 20);
}

// A record that names tens of thousands of IFIDs is described at once, each IFID once and a
// few dozen at most; nothing of the record steers a terminal.
TEST(StoryDescription, ManyIfidsAreCutShortAndControlsShownAsQuestionMarks) {
    std::string xml = "<ifindex><story><identification>";
    for (int i = 0; i < 30000; ++i)
        xml += "<ifid>ID-" + std::to_string(i % 20000) + "</ifid>";
    xml += "</identification><bibliographic><title>Evil\u202Etxt.exe\u009B2J</title>"
           "</bibliographic></story></ifindex>";
    StoryFile story;
    story.ZCode = Story();
    story.Record = ParseStoryRecord(xml);
    ASSERT_TRUE(story.Record);
    int ifids = 0;
    std::string more, title;
    for (const auto& [key, value] : DescribeStory(story)) {
        ifids += key == "IFID" ? 1 : 0;
        if (key == "More IFIDs")
            more = value;
        if (key == "Title")
            title = value;
    }
    EXPECT_EQ(ifids, 32);
    EXPECT_EQ(more, std::to_string(20000 - 31));
    EXPECT_EQ(title, "Evil?txt.exe?2J");
}

TEST(StoryRecordXml, HostileOrMalformedXmlGivesNoRecord) {
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE ifindex [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
        "<ifindex><story><bibliographic><title>&c;</title></bibliographic></story></ifindex>";
    const std::string external =
        "<!DOCTYPE ifindex [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<ifindex><story><bibliographic><title>&x;</title></bibliographic></story></ifindex>";
    std::string deep = "<ifindex><story>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    std::string huge = "<ifindex><story><bibliographic><title>";
    huge += std::string(kMaxRecordBytes, 'x') + "</title></bibliographic></story></ifindex>";
    for (const std::string& xml :
         {laughs, external, deep, huge, std::string("<ifindex><story><title>"),
          std::string("<ifindex><story>&undefined;</story></ifindex>"),
          std::string("<other><story/></other>"), std::string("<ifindex/>"), std::string()})
        EXPECT_FALSE(ParseStoryRecord(xml)) << xml.substr(0, 80);
    EXPECT_TRUE(ParseStoryRecord(kRecord));
}

TEST(StoryIdentity, TheIfidIsDeclaredOrMadeFromReleaseSerialAndChecksum) {
    EXPECT_EQ(IdentifyZCode(Story("260101", 7)).Ifid, "ZCODE-7-260101");
    // Infocom's time (and no serial at all): the checksum tells builds apart.
    EXPECT_EQ(IdentifyZCode(Story("840726", 88)).Ifid, "ZCODE-88-840726-BEEF");
    EXPECT_EQ(IdentifyZCode(Story("000000", 1)).Ifid, "ZCODE-1-000000-BEEF");
    // A serial that is not a date: characters other than letters and digits become "-".
    EXPECT_EQ(IdentifyZCode(Story("AB/1 2", 3)).Ifid, "ZCODE-3-AB-1-2-BEEF");

    auto declared = Story();
    const std::string uuid = "UUID://1974A053-7DB0-4103-93A1-767C1382C0B7//";
    std::copy(uuid.begin(), uuid.end(), declared.begin() + 0x2000);
    EXPECT_EQ(IdentifyZCode(declared).Ifid, "1974A053-7DB0-4103-93A1-767C1382C0B7");
    std::copy(uuid.begin(), uuid.end(), declared.begin() + 0x12); // a vintage serial...
    declared[0x12] = '8';
    EXPECT_EQ(IdentifyZCode(declared).Ifid.substr(0, 6), "ZCODE-"); // ...declares nothing
    auto broken = Story();
    std::copy(uuid.begin(), uuid.end() - 1,
              broken.end() - static_cast<std::ptrdiff_t>(uuid.size()) + 1);
    EXPECT_EQ(IdentifyZCode(broken).Ifid, "ZCODE-7-260101");
}

} // namespace
} // namespace lantern

namespace lantern {
namespace {

std::vector<uint8_t> Long(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> out;
    for (const uint32_t value : values)
        PutBigEndian(out, value, 4);
    return out;
}

// A version 6 story's pictures come from its Blorb: sizes from the image files' headers and
// the placeholders, scaled as the resolution chunk says, the adaptive ones marked; hostile
// sizes and resolution chunks are clamped or ignored.
TEST(StoryPictures, SizesAndScalingFollowTheResolutionChunk) {
    // A file that declares 65535 by 65535 pixels and holds one.
    const std::vector<uint8_t> hugePng = test::MakePngFile(65535, 65535, 2, {}, {0, 1, 2, 3});
    const std::vector<BlorbPart> parts = {
        {"Pict", 1, "PNG ", test::MakePng(16, 8)},
        {"Pict", 2, "Rect", Long({0, 30})},
        {"Pict", 3, "PNG ", hugePng},
        {"Pict", 4, "JPEG", {0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8, 0, 50, 0, 70}},
        {"Pict", 5, "TEXT", Bytes("not a picture")},
        {"", 0, "RelN", {0, 9}},
        {"", 0, "APal", Long({4, 99})},
        {"", 0, "Reso", Long({320, 200, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 2, 1, 1, 0,
                              0,   0,   0, 3, 1, 1, 0, 0, 0, 0, 4, 1, 0, 0, 0, 0, 0})},
    };
    const auto pictures = PictureSet::FromBlorb(BuildBlorb(parts));
    ASSERT_TRUE(pictures);
    EXPECT_EQ(pictures->Count(), 4u);
    EXPECT_EQ(pictures->Release(), 9);
    EXPECT_FALSE(pictures->Find(5));
    EXPECT_TRUE(pictures->Find(4)->Adaptive);
    EXPECT_FALSE(pictures->Find(1)->Adaptive);
    // Twice the standard screen: twice the size; a placeholder of no width keeps none.
    EXPECT_EQ(pictures->ScaledSize(1, 640, 400), (PictureSize{32, 16}));
    EXPECT_EQ(pictures->ScaledSize(1, 960, 400), (PictureSize{32, 16}));
    EXPECT_EQ(pictures->ScaledSize(2, 640, 400), (PictureSize{0, 60}));
    EXPECT_EQ(pictures->ScaledSize(3, 640, 400), (PictureSize{32767, 32767}));
    // A ratio over 0 counts as 1: the JPEG scales with the screen alone.
    EXPECT_EQ(pictures->ScaledSize(4, 640, 400), (PictureSize{140, 100}));
    EXPECT_EQ(pictures->StandardScreen(), (PictureSize{320, 200}));
    // A resolution chunk of zeros scales nothing.
    std::vector<BlorbPart> zeros = {parts[0],
                                    {"", 0, "Reso", Long({0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0})}};
    const auto unscaled = PictureSet::FromBlorb(BuildBlorb(zeros));
    ASSERT_TRUE(unscaled);
    EXPECT_EQ(unscaled->ScaledSize(1, 640, 400), (PictureSize{16, 8}));
    EXPECT_FALSE(unscaled->StandardScreen());
    // Nothing that is a picture: no set.
    EXPECT_FALSE(PictureSet::FromBlorb(BuildBlorb({{"Pict", 1, "TEXT", Bytes("x")}})));
    EXPECT_FALSE(PictureSet::FromBlorb(Bytes("FORM")));
}

} // namespace
} // namespace lantern
