#include "memory/StoryImage.h"

#include "memory/Prefault.h"

#include "memory/StoryError.h"

#include <algorithm>
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
    m_watch.assign((m_bytes.size() >> kWatchShift) + 1, 0);
}

// A copy holds the same bytes but watches nothing: marks belong to whoever decoded the original.
StoryImage::StoryImage(const StoryImage& other)
    : m_watch((other.m_bytes.size() >> kWatchShift) + 1, 0) {
    CopyBytes(other.m_bytes);
}

void StoryImage::CopyBytes(const std::vector<uint8_t>& bytes) {
    if (m_bytes.capacity() < bytes.size()) {
        std::vector<uint8_t>().swap(m_bytes);
        m_bytes.reserve(bytes.size());
        Prefault(m_bytes.data(), m_bytes.capacity());
    }
    m_bytes = bytes;
}

StoryImage& StoryImage::operator=(const StoryImage& other) {
    if (this != &other) {
        CopyBytes(other.m_bytes);
        m_watch.assign((m_bytes.size() >> kWatchShift) + 1, 0);
        m_codeWritten = false;
    }
    return *this;
}

void StoryImage::ClearWatch() {
    std::fill(m_watch.begin(), m_watch.end(), uint8_t{0});
    m_codeWritten = false;
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
    // The whole file is read straight into its place, once: a story is read at every start,
    // and copying it through a buffer costs a noticeable part of a scripted run.
    std::vector<uint8_t> bytes;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size <= kMaxStorySize) {
        bytes.reserve(static_cast<size_t>(size) + 1);
        Prefault(bytes.data(), bytes.capacity());
        bytes.resize(static_cast<size_t>(size) + 1);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    // A file that grows while it is read, or whose size is not known, is read block by block.
    uint8_t block[4096];
    size_t got;
    while (bytes.size() <= kMaxStorySize && (got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + got);
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
