#include "text/ZText.h"

#include "memory/StoryError.h"
#include "support/StoryBuilder.h"
#include "support/ZCodes.h"
#include "text/CharGraphics.h"
#include "text/CharMap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace lantern {
namespace {

using test::PackZChars;
using test::StoryBuilder;

constexpr int32_t kString = 0x2000;

// Decodes Z-characters placed at kString in a story of the given version.
class Decoding : public ::testing::Test {
  protected:
    std::string Decode(int version, const std::vector<int>& codes) {
        StoryBuilder builder(version);
        Place(builder, kString, PackZChars(codes));
        return Load(builder).PrintZString(m_image, kString);
    }
    static void Place(StoryBuilder& builder, int32_t address, const std::vector<uint8_t>& bytes) {
        for (uint8_t b : bytes)
            builder.Byte(address++, b);
    }
    ZText& Load(const StoryBuilder& builder) {
        m_image = builder.Build();
        m_text.SetupAlphabets(m_image);
        return m_text;
    }

    StoryImage m_image;
    ZText m_text;
};

TEST_F(Decoding, LowerCaseSpacesAndTheCountOfCodesRead) {
    EXPECT_EQ(Decode(3, {13, 10, 17, 17, 20, 0, 28, 20, 23, 17, 9}), "hello world");
    EXPECT_EQ(m_text.ZCharCount(), 12); // four words
    EXPECT_EQ(Decode(5, {6, 7, 8}), "abc");
    EXPECT_EQ(m_text.ZCharCount(), 3); // one word with the end bit: two bytes
}

TEST_F(Decoding, ShiftsOfVersionThreeAndLaterApplyToOneCharacter) {
    EXPECT_EQ(Decode(3, {4, 6}), "A");
    EXPECT_EQ(Decode(3, {4, 6, 6}), "Aa");
    EXPECT_EQ(Decode(3, {5, 7}), "\r\n");
    EXPECT_EQ(Decode(3, {5, 8, 5, 18, 5, 19}), "0.,");
    EXPECT_EQ(Decode(8, {5, 31}), ")");
    // A pending shift survives a space.
    EXPECT_EQ(Decode(3, {4, 0, 6}), " A");
}

TEST_F(Decoding, TheEscapeGivesOneCharacterCode) {
    EXPECT_EQ(Decode(3, {5, 6, 1, 1}), "!");
    EXPECT_EQ(Decode(5, {5, 6, 7, 9, 6}), "\xE9"
                                          "a");
}

TEST_F(Decoding, EscapeValuesWithoutASingleByteCharacterPrintAQuestionMark) {
    EXPECT_EQ(Decode(5, {5, 6, 8, 0, 6}), "?a");
    EXPECT_EQ(Decode(5, {5, 6, 31, 31}), "?");
    EXPECT_EQ(Decode(5, {5, 6, 0, 0, 6}), "a"); // the null character prints nothing
}

TEST_F(Decoding, ConstructionsCutOffByTheEndOfTheStringPrintNothing) {
    EXPECT_EQ(Decode(5, {6, 5, 6}), "a");            // escape without its two codes
    EXPECT_EQ(Decode(5, {6, 7, 6, 5, 6, 1}), "aba"); // escape with one code
    EXPECT_EQ(Decode(5, {6, 7, 2}), "ab");           // abbreviation without its index
    EXPECT_EQ(Decode(2, {6, 7, 1}), "ab");
}

TEST_F(Decoding, VersionOneHasALineBreakCodeAndItsOwnThirdRow) {
    EXPECT_EQ(Decode(1, {6, 1, 7}), "a\r\nb");
    // Row 2 of version 1: code 7 is "0" and "<" sits before "-".
    EXPECT_EQ(Decode(1, {3, 7, 3, 27, 3, 28}), "0<-");
    EXPECT_EQ(m_text.Alphabets()[2], "~0123456789.,!?_#'\"/\\<-:()");
}

TEST_F(Decoding, VersionsOneAndTwoShiftAndLockRowsRelativeToTheRowInForce) {
    EXPECT_EQ(Decode(2, {4, 6, 7}), "AB"); // shift lock up stays
    EXPECT_EQ(Decode(2, {2, 6, 7}), "Ab"); // single shift up
    EXPECT_EQ(Decode(2, {3, 8, 7}), "0b"); // single shift down to row 2
    EXPECT_EQ(Decode(2, {5, 8, 9}), "01"); // lock down to row 2
    // Locked on row 1, a shift up reaches row 2 and a shift down returns to row 0.
    EXPECT_EQ(Decode(2, {4, 6, 2, 8, 3, 6, 6}), "A0aA");
    // Locked on row 2, the escape works.
    EXPECT_EQ(Decode(1, {5, 6, 1, 1, 8}), "!1");
}

TEST_F(Decoding, AbbreviationsOfVersionThreeUseThreeBanks) {
    StoryBuilder builder(3);
    const int32_t strings = 0x2400;
    int32_t at = strings;
    for (int i = 0; i < 96; ++i) {
        builder.Word(StoryBuilder::kAbbreviations + 2 * i, at / 2);
        at = builder.ZString(at, "ab" + std::to_string(i));
        at += at % 2;
    }
    // 1 0, 2 5, 3 31, and a shift that survives an abbreviation.
    Place(builder, kString, PackZChars({1, 0, 0, 2, 5, 0, 3, 31, 4, 1, 1, 6}));
    ZText& text = Load(builder);
    EXPECT_EQ(text.PrintZString(m_image, kString), "ab0 ab37 ab95ab1A");
    EXPECT_EQ(text.Abbreviation(m_image, 95), "ab95");
}

TEST_F(Decoding, VersionTwoHasOneBankOfAbbreviationsAndShiftsWithTwoAndThree) {
    StoryBuilder builder(2);
    builder.Word(StoryBuilder::kAbbreviations + 2 * 3, 0x2400 / 2);
    builder.ZString(0x2400, "the");
    Place(builder, kString, PackZChars({1, 3, 0, 2, 6}));
    ZText& text = Load(builder);
    EXPECT_EQ(text.PrintZString(m_image, kString), "the A");
    EXPECT_EQ(text.Abbreviation(m_image, 32), ""); // never loaded in version 2
}

TEST_F(Decoding, AnUnreadableAbbreviationIsEmptyAndDoesNotStopTheLoad) {
    StoryBuilder builder(3);
    builder.Word(StoryBuilder::kAbbreviations + 2 * 7, 0x7FFF); // far outside the image
    builder.ZString(0x2400, "ok");
    builder.Word(StoryBuilder::kAbbreviations + 2 * 8, 0x2400 / 2);
    ZText& text = Load(builder);
    EXPECT_EQ(text.Abbreviation(m_image, 7), "");
    EXPECT_EQ(text.Abbreviation(m_image, 8), "ok");
}

TEST_F(Decoding, AnAbbreviationInsideAnAbbreviationExpandsToNothing) {
    StoryBuilder builder(3);
    builder.ZString(0x2400, "ok");
    builder.Word(StoryBuilder::kAbbreviations, 0x2400 / 2);
    Place(builder, 0x2500, PackZChars({1, 0, 6, 1, 0, 7})); // a, abbreviation 0, b, abbreviation 0
    builder.Word(StoryBuilder::kAbbreviations + 2, 0x2500 / 2);
    Place(builder, kString, PackZChars({1, 1}));
    ZText& text = Load(builder);
    EXPECT_EQ(text.Abbreviation(m_image, 1), "ab");
    EXPECT_EQ(text.PrintZString(m_image, kString), "ab");
}

TEST_F(Decoding, CustomAlphabetsOfVersionFiveKeepTheEscapeAndLineBreakMarks) {
    StoryBuilder builder(5);
    const int32_t table = 0x2800;
    builder.Word(0x34, table);
    for (int i = 0; i < 78; ++i)
        builder.Byte(table + i, "zyxwvutsrqponmlkjihgfedcba"[i % 26] - (i / 26 == 1 ? 32 : 0));
    builder.Byte(table + 52, '*').Byte(table + 53, '*'); // ignored: the marks stay
    Place(builder, kString, PackZChars({6, 7, 4, 6, 5, 6, 2, 1, 5, 7, 5, 8}));
    ZText& text = Load(builder);
    EXPECT_EQ(text.PrintZString(m_image, kString), "zyZA\r\nx");
    EXPECT_EQ(text.Alphabets()[2].substr(0, 3), "~^x");
}

TEST_F(Decoding, DefaultRowsUnlessAVersionFiveStoryGivesATable) {
    StoryBuilder v5(5);
    EXPECT_EQ(Load(v5).Alphabets()[0], "abcdefghijklmnopqrstuvwxyz");
    StoryBuilder v4(4);
    v4.Word(0x34, 0x2800);
    EXPECT_EQ(Load(v4).Alphabets()[0], "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(m_text.Alphabets()[2], "~^0123456789.,!?_#'\"/\\-:()");
    m_text.SetDefaultAlphabets();
    EXPECT_EQ(m_text.Alphabets()[1], "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

TEST_F(Decoding, AStringRunningToTheEndOfTheImageCountsTheWordsRead) {
    StoryBuilder builder(5, 0x1010);
    // Three words without an end bit, up to the end of the file.
    Place(builder, 0x100A, PackZChars({6, 6, 6, 7, 7, 7, 8, 8, 8}, false));
    ZText& text = Load(builder);
    EXPECT_EQ(text.PrintZString(m_image, 0x100A), "aaabbbccc");
    EXPECT_EQ(text.ZCharCount(), 9);
    EXPECT_EQ(text.PrintZString(m_image, 0x100E), "ccc");
    EXPECT_EQ(text.ZCharCount(), 3);
    // The last whole word ends at the extra zero byte: 0x08 0x00 is an abbreviation and a space.
    EXPECT_EQ(text.PrintZString(m_image, 0x100F), " ");
    EXPECT_EQ(text.ZCharCount(), 3);
    EXPECT_EQ(text.PrintZString(m_image, 0x1010), ""); // not even one whole word
    EXPECT_EQ(text.ZCharCount(), 0);
    EXPECT_THROW(text.PrintZString(m_image, 0x1011), StoryError);
}

TEST_F(Decoding, AStringLongerThanTheCodeBufferIsAFault) {
    StoryBuilder builder(5, 0x6000);
    const int words = ZText::kMaxZChars / 3;
    std::vector<int> codes(static_cast<size_t>(3 * words), 6);
    Place(builder, 0x1000, PackZChars(codes));
    ZText& text = Load(builder);
    EXPECT_EQ(text.PrintZString(m_image, 0x1000).size(), static_cast<size_t>(3 * words));
    builder.Byte(0x1000 + 2 * (words - 1), 0x18); // remove the end bit: one word too many
    builder.Bytes(0x1000 + 2 * words, {0x98, 0xC6});
    Load(builder);
    EXPECT_THROW(text.PrintZString(m_image, 0x1000), StoryError);
}

TEST(Encoding, DictionaryWordsUseShiftsAndEscapes) {
    StoryBuilder builder(3);
    const StoryImage image = builder.Build();
    ZText text;
    text.SetupAlphabets(image);
    // "t-shirt" in version 3: t, shift and "-", s, h, i: the cut falls after six codes.
    EXPECT_EQ(text.EncodeZChars("t-shirt", 6), (std::vector<uint8_t>{25, 5, 28, 24, 13, 14}));
    EXPECT_EQ(text.EncodeZChars("ab", 6), (std::vector<uint8_t>{6, 7, 5, 5, 5, 5}));
    EXPECT_EQ(text.EncodeZChars("A", 6), (std::vector<uint8_t>{4, 6, 5, 5, 5, 5}));
    EXPECT_EQ(text.EncodeZChars("\xE9", 9), (std::vector<uint8_t>{5, 6, 7, 9, 5, 5, 5, 5, 5}));
    StoryBuilder early(2);
    text.SetupAlphabets(early.Build());
    EXPECT_EQ(text.EncodeZChars("A1", 6), (std::vector<uint8_t>{2, 6, 3, 9, 5, 5}));
}

TEST(CharacterMap, DefaultTableStoryTableAndInput) {
    CharMap chars;
    EXPECT_EQ(chars.ToUtf8("Torbj\x9Crn \xDB\xA2"), "Torbj\xC3\xB6rn \xC2\xA3\xC2\xBB");
    EXPECT_EQ(chars.ToUnicode(127), U'?'); // no character
    EXPECT_EQ(chars.FromUnicode(U'\u00E9'), 170);
    EXPECT_EQ(chars.FromUnicode(U'\u20AC'), std::nullopt);
    EXPECT_EQ(chars.ToLower(159), 156);                     // Ö
    EXPECT_EQ(DecodeUtf8("\xC3\xA9\xE9"), U"\u00E9\u00E9"); // a stray byte is Latin-1

    // A character beyond the table travels whole through ZSCII text; a lone 0 stays itself.
    EXPECT_EQ(chars.UnicodeText(U'\u00E9'), "\xAA");
    EXPECT_EQ(chars.ToUtf8("a" + chars.UnicodeText(U'\u263A') + "!"), "a\xE2\x98\xBA!");
    EXPECT_EQ(chars.UnicodeText(0xD800), "?");
    EXPECT_EQ(chars.ToUtf8(std::string("\0\x9Bx", 3)), std::string("\0\xC3\xA4x", 4));
    EXPECT_EQ(chars.CheckUnicode(U'\u00E9') * 100 + chars.CheckUnicode(U'\u263A') * 10 +
                  chars.CheckUnicode(0xFFFF),
              310);

    // A version 5 story's own table (header extension word 3): two characters.
    StoryBuilder builder(5);
    builder.Word(0x36, 0x3000).Word(0x3000, 3).Word(0x3006, 0x3010);
    builder.Byte(0x3010, 2).Word(0x3011, 0x20AC).Word(0x3013, 0x2122);
    chars.Load(builder.Build());
    EXPECT_EQ(chars.ToUtf8("\x9B\x9C\x9D"), "\xE2\x82\xAC\xE2\x84\xA2?");
    EXPECT_EQ(chars.FromUnicode(U'\u20AC'), 155);
    // A table that runs past the story's end keeps the entries inside it.
    const StoryImage small = builder.Build();
    builder.Word(0x3006, static_cast<int>(small.Size() - 3)).Byte(small.Size() - 3, 50);
    builder.Word(small.Size() - 2, 0xE9);
    chars.Load(builder.Build());
    EXPECT_EQ(chars.ToUnicode(155), U'\u00E9');
    EXPECT_EQ(chars.ToUnicode(156), U'?');
}

// ---- Font 3 against the Standard's bitmaps ---------------------------------------------------

// The bitmaps of font3-bitmaps.txt: a code, then its eight rows of '#' (ink) and '.' (paper).
std::map<int, GraphicBitmap> ReadFont3Bitmaps() {
    std::map<int, GraphicBitmap> glyphs;
    std::ifstream file(LANTERN_FONT3_BITMAPS);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        int code = 0;
        fields >> code;
        GraphicBitmap rows{};
        for (uint8_t& row : rows) {
            std::string pixels;
            fields >> pixels;
            for (const char pixel : pixels)
                row = static_cast<uint8_t>((row << 1) | (pixel == '#' ? 1 : 0));
        }
        glyphs[code] = rows;
    }
    return glyphs;
}

bool Ink(const GraphicBitmap& glyph, int row, int column) {
    return row >= 0 && row < 8 && column >= 0 && column < 8 &&
           ((glyph[static_cast<size_t>(row)] >> (7 - column)) & 1) != 0;
}

GraphicBitmap Transposed(const GraphicBitmap& glyph) {
    GraphicBitmap out{};
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            if (Ink(glyph, column, row))
                out[static_cast<size_t>(row)] |= static_cast<uint8_t>(0x80 >> column);
    return out;
}

// Arrows: a shaft (one pattern repeated) and heads of at least two rows that reach past it on
// both sides. Gives the side of each head: -1 before the middle, 1 after it; 0 when no arrow.
int ArrowHeads(const GraphicBitmap& glyph) {
    std::map<uint8_t, int> counts;
    for (const uint8_t row : glyph)
        if (row != 0)
            ++counts[row];
    uint8_t shaft = 0;
    for (const auto& [pattern, count] : counts)
        if (count >= 3)
            shaft = pattern;
    if (shaft == 0)
        return 0;
    int before = 0;
    int after = 0;
    for (int row = 0; row < 8; ++row) {
        const uint8_t ink = glyph[static_cast<size_t>(row)];
        if (ink == 0 || ink == shaft)
            continue;
        const bool wider = (ink & shaft) == shaft && (ink & ~shaft & (shaft - 1)) != 0 &&
                           (ink & ~shaft & ~(shaft - 1)) != 0;
        if (!wider)
            return 0;
        (row < 4 ? before : after) += 1;
    }
    if ((before != 0 && before < 2) || (after != 0 && after < 2) || before + after == 0)
        return 0;
    return before != 0 && after != 0 ? 2 : (before != 0 ? -1 : 1);
}

// The block element nearest (fewest pixels apart) to the glyph's solid part: the pixels that
// lie in a 2x2 square of ink.
char32_t NearestBlock(const GraphicBitmap& glyph) {
    GraphicBitmap solid{};
    for (int row = 0; row < 7; ++row)
        for (int column = 0; column < 7; ++column)
            if (Ink(glyph, row, column) && Ink(glyph, row + 1, column) &&
                Ink(glyph, row, column + 1) && Ink(glyph, row + 1, column + 1))
                for (const auto& [r, c] : {std::pair{row, column},
                                           {row + 1, column},
                                           {row, column + 1},
                                           {row + 1, column + 1}})
                    solid[static_cast<size_t>(r)] |= static_cast<uint8_t>(0x80 >> c);
    // Block elements lie along the cell's edges; a square of ink in the middle (where lines
    // cross) is none.
    if (solid[0] == 0 && solid[7] == 0 &&
        std::all_of(solid.begin(), solid.end(), [](uint8_t row) { return (row & 0x81) == 0; }))
        return 0;
    // Each block element as the rows and columns it fills.
    struct Block {
        char32_t character;
        int top, bottom, left, right;
    };
    std::vector<Block> blocks = {
        {U'\u2588', 0, 8, 0, 8}, {U'\u2580', 0, 4, 0, 8}, {U'\u2590', 0, 8, 4, 8},
        {U'\u2594', 0, 1, 0, 8}, {U'\u2595', 0, 8, 7, 8}, {U'\u2598', 0, 4, 0, 4},
        {U'\u259D', 0, 4, 4, 8}, {U'\u2596', 4, 8, 0, 4}, {U'\u2597', 4, 8, 4, 8}};
    for (int eighths = 1; eighths < 8; ++eighths) {
        blocks.push_back({static_cast<char32_t>(U'\u2580' + eighths), 8 - eighths, 8, 0, 8});
        blocks.push_back({static_cast<char32_t>(U'\u2590' - eighths), 0, 8, 0, eighths});
    }
    char32_t nearest = 0;
    int least = 65;
    for (const Block& block : blocks) {
        int apart = 0;
        for (int row = 0; row < 8; ++row)
            for (int column = 0; column < 8; ++column)
                apart += Ink(solid, row, column) != (row >= block.top && row < block.bottom &&
                                                     column >= block.left && column < block.right);
        if (apart < least) {
            least = apart;
            nearest = block.character;
        }
    }
    return nearest;
}

// The character that a glyph's shape calls for; 0 for glyphs that no shape rule covers.
char32_t CharacterForShape(const GraphicBitmap& glyph) {
    int inked = 0;
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            inked += Ink(glyph, row, column);
    if (inked == 0)
        return U' ';
    // A dot in a corner: the quadrant of that corner.
    if (inked == 1) {
        const bool top = glyph[0] != 0;
        const bool left = Ink(glyph, top ? 0 : 7, 0);
        return top ? (left ? U'\u2598' : U'\u259D') : (left ? U'\u2596' : U'\u2597');
    }
    // A frame round the cell.
    if (glyph == GraphicBitmap{0xFF, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0xFF})
        return U'\u25A1';
    // The gauge: lines along rows 1 and 6, filled between them from the left.
    if (glyph[0] == 0 && glyph[7] == 0 && glyph[1] == 0xFF && glyph[6] == 0xFF &&
        glyph[2] == glyph[3] && glyph[3] == glyph[4] && glyph[4] == glyph[5]) {
        const int filled = std::popcount(glyph[2]);
        if (glyph[2] != static_cast<uint8_t>(0xFF00 >> filled))
            return 0;
        return filled == 0 ? U' ' : static_cast<char32_t>(U'\u2590' - filled);
    }
    // A line along one edge, whole or with its ends left out.
    auto onlyIn = [&](auto inside) {
        for (int row = 0; row < 8; ++row)
            for (int column = 0; column < 8; ++column)
                if (Ink(glyph, row, column) && !inside(row, column))
                    return false;
        return true;
    };
    if (onlyIn([](int row, int) { return row == 0; }))
        return U'\u2594';
    if (onlyIn([](int row, int) { return row == 7; }))
        return U'\u2581';
    if (onlyIn([](int, int column) { return column == 0; }))
        return U'\u258F';
    if (onlyIn([](int, int column) { return column == 7; }))
        return U'\u2595';
    // Arrows, up and down or (transposed) left and right.
    if (const int heads = ArrowHeads(glyph))
        return heads == 2 ? U'\u2195' : (heads < 0 ? U'\u2191' : U'\u2193');
    if (const int heads = ArrowHeads(Transposed(glyph)))
        return heads == 2 ? U'\u2194' : (heads < 0 ? U'\u2190' : U'\u2192');
    if (const char32_t block = NearestBlock(glyph))
        return block;
    // Thin lines: the arms that reach the middle of the cell's edges make a box-drawing piece;
    // a corner with a diagonal going off is the corner.
    const bool up = Ink(glyph, 0, 3) || Ink(glyph, 0, 4);
    const bool down = Ink(glyph, 7, 3) || Ink(glyph, 7, 4);
    const bool left = Ink(glyph, 3, 0) || Ink(glyph, 4, 0);
    const bool right = Ink(glyph, 3, 7) || Ink(glyph, 4, 7);
    const std::map<std::array<bool, 4>, char32_t> pieces = {
        {{false, false, true, true}, U'\u2500'}, {{true, true, false, false}, U'\u2502'},
        {{true, false, true, true}, U'\u2534'},  {{false, true, true, true}, U'\u252C'},
        {{true, true, false, true}, U'\u251C'},  {{true, true, true, false}, U'\u2524'},
        {{true, false, false, true}, U'\u2514'}, {{false, true, false, true}, U'\u250C'},
        {{false, true, true, false}, U'\u2510'}, {{true, false, true, false}, U'\u2518'},
        {{true, true, true, true}, U'\u253C'}};
    if (const auto piece = pieces.find({up, down, left, right}); piece != pieces.end())
        return piece->second;
    // Diagonals from corner to corner.
    const bool rising = Ink(glyph, 7, 0) && Ink(glyph, 0, 7);
    const bool falling = Ink(glyph, 0, 0) && Ink(glyph, 7, 7);
    if (rising || falling)
        return rising && falling ? U'\u2573' : (rising ? U'\u2571' : U'\u2572');
    return 0;
}

TEST(FontThree, EveryGlyphIsTheStandardsBitmapAndShowsAsTheNearestCharacter) {
    const std::map<int, GraphicBitmap> standard = ReadFont3Bitmaps();
    if (standard.empty())
        GTEST_SKIP() << "no " << LANTERN_FONT3_BITMAPS;
    ASSERT_EQ(standard.size(), 95u);
    for (int code = kFirstGraphic; code <= kLastGraphic; ++code) {
        const auto byte = static_cast<uint8_t>(code);
        ASSERT_NE(CharGraphicBitmap(byte), nullptr);
        EXPECT_EQ(*CharGraphicBitmap(byte), standard.at(code)) << code;
        if (code >= 97 && code <= 122) {
            // The letters are runes: a rune each, none twice.
            EXPECT_GE(CharGraphic(byte), U'\u16A0') << code;
            EXPECT_LE(CharGraphic(byte), U'\u16F8') << code;
            for (int other = 97; other < code; ++other)
                EXPECT_NE(CharGraphic(byte), CharGraphic(static_cast<uint8_t>(other)));
        } else if (code >= 123) {
            // Inverse symbols: the glyphs of the arrows and the question mark with ink and paper
            // exchanged, shown as those characters in a box.
            const std::map<int, std::pair<int, char32_t>> inverts = {{123, {92, U'\u2350'}},
                                                                     {124, {93, U'\u2357'}},
                                                                     {125, {94, U'\u21F3'}},
                                                                     {126, {96, U'\u2370'}}};
            GraphicBitmap inverse = standard.at(inverts.at(code).first);
            for (uint8_t& row : inverse)
                row = static_cast<uint8_t>(~row);
            EXPECT_EQ(standard.at(code), inverse) << code;
            EXPECT_EQ(CharGraphic(byte), inverts.at(code).second) << code;
        } else if (code == 96) {
            EXPECT_EQ(CharGraphic(byte), U'?');
        } else {
            EXPECT_EQ(CharGraphic(byte), CharacterForShape(standard.at(code))) << code;
        }
    }
    EXPECT_EQ(CharGraphic(31), 0u);
    EXPECT_EQ(CharGraphicBitmap(127), nullptr);
}

} // namespace
} // namespace lantern
