// The one IFF reader and the one way of reading a file, on the shapes broken files take; and the
// AIFF samples of stories, checked before they are played.
#include "files/FileRead.h"
#include "files/Iff.h"
#include "files/SoundResources.h"
#include "support/SoundBuilder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace
} // namespace lantern
