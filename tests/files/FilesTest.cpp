// The one IFF reader and the one way of reading a file, on the shapes broken files take; and the
// AIFF samples of stories, checked before they are played.
#include "files/FileRead.h"
#include "files/FileWrite.h"
#include "files/Iff.h"
#include "files/Settings.h"
#include "files/SoundResources.h"
#include "support/SoundBuilder.h"
#include "text/CharMap.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace lantern {
namespace {

std::vector<uint8_t> Form(std::string_view type, const std::vector<uint8_t>& chunks,
                          int extraLength = 0) {
    std::vector<uint8_t> body(type.begin(), type.end());
    body.insert(body.end(), chunks.begin(), chunks.end());
    std::vector<uint8_t> file{'F', 'O', 'R', 'M'};
    PutBigEndian(file, static_cast<uint32_t>(static_cast<int>(body.size()) + extraLength), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

TEST(Iff, ChunksArePaddedBoundedAndFound) {
    std::vector<uint8_t> chunks;
    PutChunk(chunks, "ODD ", std::vector<uint8_t>{1, 2, 3});
    PutChunk(chunks, "EVEN", std::vector<uint8_t>{4, 5});
    const auto file = Form("TEST", chunks);
    const IffForm form = IffForm::Parse(file);
    ASSERT_TRUE(form.Ok());
    EXPECT_EQ(form.Type(), "TEST");
    ASSERT_EQ(form.Chunks().size(), 2u);
    EXPECT_EQ(form.Find("EVEN")->Data[1], 5);
    EXPECT_EQ(form.At(24)->Id, "EVEN"); // 12 + 8 + 3 + the pad byte
    EXPECT_EQ(form.Find("NONE"), nullptr);

    // A last chunk of odd length whose pad the FORM does not count is still whole.
    std::vector<uint8_t> unpadded;
    PutChunk(unpadded, "ODD ", std::vector<uint8_t>{1, 2, 3});
    unpadded.pop_back();
    EXPECT_TRUE(IffForm::Parse(Form("TEST", unpadded)).Ok());

    EXPECT_EQ(IffForm::Parse(Form("TEST", chunks, 2)).GetStatus(), IffForm::Status::Damaged);
    auto overlong = chunks;
    overlong[7] = 200; // the first chunk now claims more than the FORM holds
    EXPECT_EQ(IffForm::Parse(Form("TEST", overlong)).GetStatus(), IffForm::Status::Damaged);
    EXPECT_EQ(IffForm::Parse(Form("TEST", {}, -2)).GetStatus(), IffForm::Status::Damaged);
    EXPECT_EQ(IffForm::Parse(std::vector<uint8_t>{'F', 'O', 'R', 'M'}).GetStatus(),
              IffForm::Status::NotIff);

    BigEndianReader reader{file};
    reader.Pos = 4;
    EXPECT_EQ(reader.Take(4), file.size() - 8);
    reader.Pos = file.size() - 1;
    reader.Take(2);
    EXPECT_TRUE(reader.Failed);
}

TEST(FileRead, OnlyRegularFilesWithinTheirBound) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("lantern-read-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string file = folder / "file", fifo = folder / "fifo";
    std::ofstream(file) << "twelve bytes";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const FileBytes read = ReadRegularFile(file, 12);
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(std::string(read.Bytes.begin(), read.Bytes.end()), "twelve bytes");
    EXPECT_EQ(ReadRegularFile(file, 11).Failure, FileBytes::Problem::TooLarge);
    EXPECT_EQ(ReadRegularFile(folder / "none", 99).Failure, FileBytes::Problem::Missing);
    EXPECT_EQ(ReadRegularFile(folder, 99).Failure, FileBytes::Problem::NotRegular);
    // A FIFO with no writer is refused at once rather than waited on.
    EXPECT_EQ(ReadRegularFile(fifo, 99).Failure, FileBytes::Problem::NotRegular);
    EXPECT_EQ(ReadRegularFile("/dev/zero", 99).Describe("/dev/zero"),
              "\"/dev/zero\" is not a regular file.");
    std::filesystem::remove_all(folder);
}

TEST(Aiff, TheRateIsAnExtendedFloatAndATruncatedSamplePlaysWhatItHas) {
    // 9123 Hz, as a story of 1988 has it: 0x400C 8E8C000000000000.
    const std::array<uint8_t, 10> rate{0x40, 0x0C, 0x8E, 0x8C, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ExtendedFloat(rate), 9123.0);
    std::string problem;
    const auto whole = CheckAiff(test::MakeAiff(440, 100), problem);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(problem.empty()) << problem;
    // Cut anywhere, or with any byte changed, it is refused or plays what it has, never more.
    const std::vector<uint8_t> form = test::MakeAiff(440, 20);
    for (size_t length = 0; length < form.size(); ++length) {
        const std::span<const uint8_t> cut(form.data(), length);
        if (const auto played = CheckAiff(cut, problem)) {
            EXPECT_LE(played->size(), form.size() + 12);
        }
    }
    for (size_t at = 0; at < 40; ++at) {
        std::vector<uint8_t> changed = form;
        changed[at] ^= 0xFF;
        CheckAiff(changed, problem);
    }
    std::vector<uint8_t> text{'A', 'I', 'F', 'C'};
    EXPECT_FALSE(CheckAiff(text, problem));
}

// Writing a file removes the temporary files of it that killed writers left behind, and only
// those: one held by a writer at work, one just made, and those of other files stay.
TEST(FileWrite, LeftOverTemporaryFilesOfTheSameFileAreRemoved) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("lantern-write-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string target = folder / "game.qzl";
    auto make = [](const std::string& path, bool old) {
        std::ofstream(path) << "part of a game";
        if (old) {
            const utimbuf then{0, 0};
            ::utime(path.c_str(), &then);
        }
    };
    const std::string killed = target + ".1f2e3d4c5b6a7980.partial";
    const std::string held = target + ".abc.partial";
    const std::string fresh = target + ".def.partial";
    const std::string other = folder / "other.qzl.123.partial";
    const std::string notOurs = target + ".xyz.partial";
    make(killed, true);
    make(held, true);
    make(fresh, false);
    make(other, true);
    make(notOurs, true);
    const int writer = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    const std::vector<uint8_t> bytes{'n', 'e', 'w'};
    EXPECT_FALSE(WriteWholeFile(target, bytes, {}));
    EXPECT_FALSE(std::filesystem::exists(killed));
    for (const std::string& kept : {held, fresh, other, notOurs})
        EXPECT_TRUE(std::filesystem::exists(kept)) << kept;
    ::close(writer);
    std::filesystem::remove_all(folder);
}

// The window's settings file is outside input: every value is bounded, what is not of its kind
// is left out, and what is written reads back the same, paths byte for byte.
TEST(Settings, ValuesAreBoundedAndComeBackAsWritten) {
    const std::string longPath = "/" + std::string(5000, 'x');
    std::string recent = "/a/one.z5, \"/b/with, comma.z5\",relative.z5," + longPath;
    for (int i = 0; i < 40; ++i)
        recent += ",/many/" + std::to_string(i) + ".z5";
    const WindowSettings read = ParseWindowSettings(
        "; an older file\r\n[General]\nsize=1\n[fonts]\nproportional=Liberation Serif\n"
        "fixed=\nsize=100000000000000000000\n[view]\nzoom=-7\ntheme=dark\nmargin=1e9\n"
        "storyColours=false\n[window]\ngeometry=10,-20,2000000,2000000,maximized\n"
        "[files]\nlastFolder=" +
        longPath + "\nrecent=" + recent +
        "\n[game]\nstandard=maybe\n[sound]\non=false\nvolume=250\n"
        "no equals sign\n"
        "[stories]\n1=/a/one.z5,\"One, a story\",/saves/one.qzl\n2=relative.z5,x,\n"
        "3=/a/one.z5,again,\n4=/b.z5," +
        std::string(WindowSettings::kMaxLabel + 1, 'l') + ",relative.qzl\n5=/c.z5,two\n");
    EXPECT_EQ(read.proportionalFont, "Liberation Serif");
    EXPECT_FALSE(read.fixedFont);
    EXPECT_EQ(read.fontSize, WindowSettings::kMaxFontSize);
    EXPECT_EQ(read.zoom, WindowSettings::kMinZoom);
    EXPECT_EQ(read.darkTheme, true);
    EXPECT_FALSE(read.margin);
    EXPECT_EQ(read.storyColours, false);
    EXPECT_EQ(read.place,
              (WindowPlace{10, -20, WindowSettings::kMaxSide, WindowSettings::kMaxSide, true}));
    EXPECT_FALSE(read.lastFolder);
    ASSERT_EQ(read.recent.size(), WindowSettings::kMaxRecent);
    EXPECT_EQ(read.recent[0], "/a/one.z5");
    EXPECT_EQ(read.recent[1], "/b/with, comma.z5");
    EXPECT_EQ(read.recent[2], "/many/0.z5");
    EXPECT_FALSE(read.standard);
    EXPECT_EQ(read.soundOn, false);
    EXPECT_EQ(read.soundVolume, WindowSettings::kMaxVolume);
    EXPECT_EQ(read.stories, (std::vector<StoryNote>{{"/a/one.z5", "One, a story", "/saves/one.qzl"},
                                                    {"/b.z5", "", ""}}));
    EXPECT_EQ(ParseWindowSettings(FormatWindowSettings(read)), read);

    // Names that are not UTF-8, with commas, quotes, controls and spaces at their ends.
    WindowSettings odd;
    odd.lastFolder = "/\xFF\xFE/ \"quoted\"\\, \x1B[2J ";
    odd.recent = {"/caf\xC3\xA9/\xE9t\xE9.z5", " /not/absolute", "/tab\there,\n"};
    odd.fixedFont = "Mono\x7F\xC2\x9B";
    odd.stories = {
        {"/caf\xC3\xA9/\xE9t\xE9.z5", " \x1B[2J\"Title\", and \xE2\x80\x94 ", "/s\xFF.qzl"}};
    WindowSettings expected = odd;
    expected.recent.erase(expected.recent.begin() + 1);
    const std::string text = FormatWindowSettings(odd);
    EXPECT_EQ(ParseWindowSettings(text), expected) << text;
    EXPECT_EQ(text.find('\x1B'), std::string::npos);
    EXPECT_EQ(PrintableText(text, true), text); // nothing in the file steers a terminal
}

} // namespace
} // namespace lantern
