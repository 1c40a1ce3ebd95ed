#include "dictionary/zDictionary.h"

#include "memory/StoryError.h"
#include "support/StoryBuilder.h"
#include "support/ZCodes.h"

#include <gtest/gtest.h>

namespace lantern {
namespace {

using test::PackZChars;
using test::StoryBuilder;

constexpr int32_t kText = 0x2000;
constexpr int32_t kParse = 0x2100;

// Letters as Z-characters of row 0.
int L(char c) {
    return c - 'a' + 6;
}

class Dictionary : public ::testing::Test {
  protected:
    // Writes a dictionary at StoryBuilder::kDictionary: separators, then entries given as their
    // Z-characters (6 or 9, written here independently of the interpreter's encoder), each
    // followed by three data bytes. Returns the entries' addresses.
    std::vector<int32_t> Build(StoryBuilder& b, const std::string& separators,
                               const std::vector<std::vector<int>>& entries,
                               bool negative = false) {
        int32_t at = StoryBuilder::kDictionary;
        b.Byte(at++, static_cast<int>(separators.size()));
        for (char c : separators)
            b.Byte(at++, c);
        const int encoded = b.Version() <= 3 ? 4 : 6;
        b.Byte(at++, encoded + 3);
        const int count = static_cast<int>(entries.size());
        b.Word(at, negative ? -count : count);
        at += 2;
        std::vector<int32_t> addresses;
        for (const auto& codes : entries) {
            addresses.push_back(at);
            for (uint8_t byte : PackZChars(codes))
                b.Byte(at++, byte);
            b.Bytes(at, {0xD1, 0xD2, 0xD3});
            at += 3;
        }
        return addresses;
    }
    void Load(const StoryBuilder& b) {
        image = b.Build();
        text.SetupAlphabets(image);
        dictionary.LoadDictionary(image, StoryBuilder::kDictionary);
    }
    // Puts a typed line into the text buffer in the layout of the story's version.
    void Type(const std::string& line) {
        image.WriteByte(kText, 100);
        if (image.Version() >= 5) {
            image.WriteByte(kText + 1, static_cast<int32_t>(line.size()));
            for (size_t i = 0; i < line.size(); ++i)
                image.WriteByte(kText + 2 + static_cast<int64_t>(i), line[i]);
        } else {
            for (size_t i = 0; i < line.size(); ++i)
                image.WriteByte(kText + 1 + static_cast<int64_t>(i), line[i]);
            image.WriteByte(kText + 1 + static_cast<int64_t>(line.size()), 0);
        }
    }
    struct Record {
        int32_t address;
        int length;
        int position;
        bool operator==(const Record&) const = default;
    };
    std::vector<Record> Tokenise(const std::string& line, bool ignoreNoMatch = false,
                                 int capacity = 10) {
        Type(line);
        image.WriteByte(kParse, capacity);
        dictionary.Tokenise(image, kText, kParse, ignoreNoMatch);
        std::vector<Record> records;
        for (int k = 0; k < image.ReadByte(kParse + 1); ++k) {
            const int32_t r = kParse + 2 + 4 * k;
            records.push_back(
                {image.ReadWord(r, true), image.ReadByte(r + 2), image.ReadByte(r + 3)});
        }
        return records;
    }

    StoryImage image;
    ZText text;
    zDictionary dictionary{text};
};

TEST_F(Dictionary, LookUpIgnoresLetterCaseAndCutsAtSixCodesInVersionThree) {
    StoryBuilder b(3);
    const auto entries = Build(
        b, "",
        {{L('t'), L('a'), L('k'), L('e'), 5, 5}, {L('l'), L('a'), L('n'), L('t'), L('e'), L('r')}});
    Load(b);
    EXPECT_EQ(dictionary.EntryCount(), 2);
    EXPECT_EQ(dictionary.LookupAddress("take"), entries[0]);
    EXPECT_EQ(dictionary.LookupAddress("TAKE"), entries[0]);
    EXPECT_EQ(dictionary.LookupAddress("lanterns"), entries[1]);
    EXPECT_EQ(dictionary.LookupAddress("lante"), 0);
    EXPECT_EQ(dictionary.LookupAddress("tak"), 0);
    EXPECT_EQ(dictionary.LookupAddress(""), 0);
}

TEST_F(Dictionary, WordsOfSeveralCodesPerCharacterMatchOnTheEncodedCut) {
    StoryBuilder b3(3);
    // "t-shirt" keeps only "t-shi" in six codes.
    const auto v3 = Build(b3, "", {{L('t'), 5, 28, L('s'), L('h'), L('i')}});
    Load(b3);
    EXPECT_EQ(dictionary.LookupAddress("t-shirt"), v3[0]);
    EXPECT_EQ(dictionary.LookupAddress("T-Shirts"), v3[0]);
    EXPECT_EQ(dictionary.LookupAddress("t-shi"), v3[0]);
    EXPECT_EQ(dictionary.LookupAddress("t-sh"), 0);

    StoryBuilder b5(5);
    const auto v5 =
        Build(b5, "",
              {{L('t'), 5, 28, L('s'), L('h'), L('i'), L('r'), L('t'), 5},
               {5, 10, L('n'), L('d'), 5, 28, L('f'), L('l'), L('o')},       // "2nd-floor"
               {L('o'), 5, 24, L('c'), L('l'), L('o'), L('c'), L('k'), 5}}); // "o'clock"
    Load(b5);
    EXPECT_EQ(dictionary.LookupAddress("t-shirt"), v5[0]);
    EXPECT_EQ(dictionary.LookupAddress("2nd-floor"), v5[1]);
    EXPECT_EQ(dictionary.LookupAddress("2ND-FLOORS"), v5[1]);
    EXPECT_EQ(dictionary.LookupAddress("o'clock"), v5[2]);
    EXPECT_EQ(dictionary.LookupAddress("o'clocks"), 0); // nine codes of its own
    EXPECT_EQ(dictionary.LookupAddress("t-shir"), 0);
}

TEST_F(Dictionary, EntriesOfAStoryWithItsOwnAlphabetUseThatAlphabet) {
    StoryBuilder b(5);
    const int32_t table = 0x2800;
    b.Word(0x34, table);
    const std::string reversed = "zyxwvutsrqponmlkjihgfedcba";
    for (int i = 0; i < 78; ++i)
        b.Byte(table + i, reversed[static_cast<size_t>(i % 26)]);
    // "az" in the story's alphabet: a is the last character of row 0, z the first.
    const auto entries = Build(b, "", {{31, 6, 5, 5, 5, 5, 5, 5, 5}});
    Load(b);
    EXPECT_EQ(dictionary.LookupAddress("az"), entries[0]);
    EXPECT_EQ(dictionary.LookupAddress("AZ"), entries[0]);
    EXPECT_EQ(dictionary.LookupAddress("za"), 0);
}

TEST_F(Dictionary, ANegativeCountHoldsThatManyUnsortedEntriesAndAddressZeroNone) {
    StoryBuilder b(5);
    const auto entries =
        Build(b, "", {{L('z'), 5, 5, 5, 5, 5, 5, 5, 5}, {L('a'), 5, 5, 5, 5, 5, 5, 5, 5}}, true);
    Load(b);
    EXPECT_EQ(dictionary.LookupAddress("a"), entries[1]);
    EXPECT_EQ(dictionary.LookupAddress("z"), entries[0]);
    dictionary.LoadDictionary(image, 0);
    EXPECT_EQ(dictionary.EntryCount(), 0);
    EXPECT_EQ(dictionary.LookupAddress("a"), 0);
}

TEST_F(Dictionary, AnEntryOutsideTheImageIsAFault) {
    StoryBuilder b(5, 0xB00);
    b.Bytes(StoryBuilder::kDictionary, {0, 9, 0x7F, 0xFF});
    image = b.Build();
    EXPECT_THROW(dictionary.LoadDictionary(image, StoryBuilder::kDictionary), StoryError);
}

class Tokeniser : public Dictionary, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        StoryBuilder b(GetParam());
        const bool small = GetParam() <= 3;
        auto pad = [small](std::vector<int> codes) {
            codes.resize(small ? 6 : 9, 5);
            return codes;
        };
        addresses = Build(b, ",.",
                          {pad({L('t'), L('a'), L('k'), L('e')}),
                           pad({L('l'), L('a'), L('m'), L('p')}), pad({5, 19})});
        Load(b);
        take = addresses[0];
        lamp = addresses[1];
        comma = addresses[2];
        o = GetParam() >= 5 ? 1 : 0;
    }
    std::vector<int32_t> addresses;
    int32_t take = 0, lamp = 0, comma = 0;
    int o = 0;
};

INSTANTIATE_TEST_SUITE_P(Layouts, Tokeniser, ::testing::Values(3, 5),
                         [](const auto& info) { return "V" + std::to_string(info.param); });

TEST_P(Tokeniser, WordsAndSeparatorsWithTheirPositions) {
    EXPECT_TRUE(dictionary.IsSeparator(','));
    EXPECT_TRUE(dictionary.IsSeparator('.'));
    EXPECT_FALSE(dictionary.IsSeparator(' '));
    EXPECT_EQ(Tokenise("take lamp,sword"),
              (std::vector<Record>{
                  {take, 4, 1 + o}, {lamp, 4, 6 + o}, {comma, 1, 10 + o}, {0, 5, 11 + o}}));
}

TEST_P(Tokeniser, SpacesAndSeparatorsAfterSpaces) {
    EXPECT_EQ(Tokenise("  TAKE   lamp "),
              (std::vector<Record>{{take, 4, 3 + o}, {lamp, 4, 10 + o}}));
    EXPECT_EQ(
        Tokenise("lamp , sword."),
        (std::vector<Record>{{lamp, 4, 1 + o}, {comma, 1, 6 + o}, {0, 5, 8 + o}, {0, 1, 13 + o}}));
    EXPECT_EQ(Tokenise(""), std::vector<Record>{});
    EXPECT_EQ(Tokenise("   "), std::vector<Record>{});
}

TEST_P(Tokeniser, AZeroByteEndsTheTextEarly) {
    Type("take lamp");
    image.WriteByte(kText + 1 + o + 4, 0);
    image.WriteByte(kParse, 10);
    dictionary.Tokenise(image, kText, kParse, false);
    EXPECT_EQ(image.ReadByte(kParse + 1), 1);
}

TEST_P(Tokeniser, RecordsStopAtTheParseBuffersCapacity) {
    image.WriteByte(kParse + 2 + 4 * 2, 0x77); // the story's data after a two-record buffer
    const std::vector<Record> records = Tokenise("take lamp, take lamp", false, 2);
    EXPECT_EQ(records, (std::vector<Record>{{take, 4, 1 + o}, {lamp, 4, 6 + o}}));
    EXPECT_EQ(image.ReadByte(kParse + 2 + 4 * 2), 0x77);
    EXPECT_EQ(Tokenise("take", false, 0), std::vector<Record>{});
}

TEST_P(Tokeniser, UnknownWordsKeepTheirOldRecordsWhenAsked) {
    image.WriteWord(kParse + 2 + 4, 0xBEEF);
    image.WriteWord(kParse + 2 + 6, 0x0102);
    const std::vector<Record> records = Tokenise("take sword lamp", true);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], (Record{take, 4, 1 + o}));
    EXPECT_EQ(records[1], (Record{0xBEEF, 1, 2})); // untouched
    EXPECT_EQ(records[2], (Record{lamp, 4, 12 + o}));
}

} // namespace
} // namespace lantern
