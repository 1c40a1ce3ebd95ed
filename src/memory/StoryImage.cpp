#include "memory/StoryImage.h"

#include "memory/StoryError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace lantern {

namespace {
// No story can address more than 512 KiB; anything much larger is not a story file.
constexpr size_t kMaxStorySize = 16u << 20;
} // namespace

StoryImage::StoryImage(std::vector<uint8_t> fileBytes) : m_bytes(std::move(fileBytes)) {
    m_bytes.push_back(0);
}

StoryImage StoryImage::LoadFile(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    // Only a path that names nothing "does not exist"; a link loop, a refused folder and the
    // like say what stood in the way.
    if (status.type() == std::filesystem::file_type::not_found)
        throw LoadError("The story file \"" + path + "\" does not exist.");
    if (error)
        throw LoadError("Cannot open the story file \"" + path + "\": " + error.message() + ".");
    if (!std::filesystem::is_regular_file(status))
        throw LoadError("\"" + path + "\" is not a story file.");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw LoadError("Cannot open the story file \"" + path + "\": " + std::strerror(errno) +
                        ".");
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes.insert(bytes.end(), block, block + got);
        if (bytes.size() > kMaxStorySize)
            break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        throw LoadError("Cannot read the story file \"" + path + "\".");
    if (bytes.empty())
        throw LoadError("The story file \"" + path + "\" is empty.");
    if (bytes.size() < static_cast<size_t>(kHeaderSize))
        throw LoadError("The file \"" + path + "\" is too short to be a story file.");
    if (bytes.size() > kMaxStorySize)
        throw LoadError("The file \"" + path + "\" is too large to be a story file.");
    return StoryImage(std::move(bytes));
}

void StoryImage::Fault(int64_t address) {
    char text[96];
    std::snprintf(text, sizeof text, "memory access outside the story file (address %s%llX)",
                  address < 0 ? "-" : "",
                  static_cast<unsigned long long>(address < 0 ? -address : address));
    throw StoryError(text);
}

std::string HexString(int32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value & 0xFFFF));
    std::string digits = text;
    if (digits.size() % 2 != 0)
        digits.insert(digits.begin(), '0');
    return digits;
}

} // namespace lantern
