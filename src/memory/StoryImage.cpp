#include "memory/StoryImage.h"

#include "memory/Prefault.h"
#include "memory/StoryError.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace lantern {

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

void StoryImage::Overwrite(std::span<const uint8_t> bytes) {
    if (bytes.size() > m_bytes.size())
        Fault(static_cast<int64_t>(m_bytes.size()));
    // Only watched code that the bytes change is noticed, as a write of the same value would
    // change nothing there.
    for (size_t first = 0; first < bytes.size() && !m_codeWritten;
         first += size_t{1} << kWatchShift) {
        const size_t count = std::min(bytes.size() - first, size_t{1} << kWatchShift);
        if (m_watch[first >> kWatchShift] &&
            std::memcmp(m_bytes.data() + first, bytes.data() + first, count) != 0)
            MarkCodeWritten();
    }
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin());
}

void StoryImage::ClearWatch() {
    std::fill(m_watch.begin(), m_watch.end(), uint8_t{0});
    m_codeWritten = false;
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
