#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lantern {

/// Size of the story header in bytes; a shorter file cannot be a story.
inline constexpr int32_t kHeaderSize = 64;

/// The story image: the whole story file as the machine's memory. Addresses run from 0 to Size(),
/// where the extra byte at Size() holds 0. Every access is checked: an address outside the image
/// is a fault of the story (StoryError), never undefined behaviour.
class StoryImage {
  public:
    StoryImage() = default;
    /// Builds an image from the bytes of a story file (the extra zero byte is added here).
    explicit StoryImage(std::vector<uint8_t> fileBytes);
    StoryImage(const StoryImage& other);
    StoryImage& operator=(const StoryImage& other);
    StoryImage(StoryImage&&) noexcept = default;
    StoryImage& operator=(StoryImage&&) noexcept = default;

    /// The size N of the story file; valid addresses are 0..N.
    int32_t Size() const { return static_cast<int32_t>(m_bytes.size()) - 1; }
    bool Empty() const { return m_bytes.size() <= 1; }
    /// True when the `length` bytes from `address` all lie inside the image.
    bool Contains(int64_t address, int64_t length = 1) const {
        return address >= 0 && length >= 0 &&
               address + length <= static_cast<int64_t>(m_bytes.size());
    }

    /// The byte at address, 0..255.
    uint8_t ReadByte(int64_t address) const {
        if (!Contains(address)) [[unlikely]]
            Fault(address);
        return m_bytes[static_cast<size_t>(address)];
    }
    /// Stores the low 8 bits of value.
    void WriteByte(int64_t address, int32_t value) {
        if (!Contains(address)) [[unlikely]]
            Fault(address);
        m_bytes[static_cast<size_t>(address)] = static_cast<uint8_t>(value);
        NoticeWrite(address, address);
    }
    /// The big-endian word at address: -32768..32767, or 0..65535 when isUnsigned.
    int32_t ReadWord(int64_t address, bool isUnsigned = false) const {
        if (!Contains(address, 2)) [[unlikely]]
            Fault(address);
        const auto i = static_cast<size_t>(address);
        const int32_t word = (m_bytes[i] << 8) | m_bytes[i + 1];
        return isUnsigned ? word : static_cast<int16_t>(word);
    }
    /// Stores the low 16 bits of value, big-endian.
    void WriteWord(int64_t address, int32_t value) {
        if (!Contains(address, 2)) [[unlikely]]
            Fault(address);
        const auto i = static_cast<size_t>(address);
        m_bytes[i] = static_cast<uint8_t>(value >> 8);
        m_bytes[i + 1] = static_cast<uint8_t>(value);
        NoticeWrite(address, address + 1);
    }

    /// Writes bytes over the image from address 0 (a saved state put back), noticing watched
    /// code that they change as WriteByte does.
    void Overwrite(std::span<const uint8_t> bytes);

    /// The story version, header byte 0.
    int Version() const { return m_bytes.empty() ? 0 : m_bytes[0]; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

    /// The bytes themselves, for reads whose range has been checked once.
    const uint8_t* Data() const { return m_bytes.data(); }
    uint8_t* Data() { return m_bytes.data(); }

    // ---- Watching code: bytes that hold instructions kept decoded elsewhere -----------------
    /// Marks the bytes first..last (inside the image) as code; a later write there is noticed.
    void WatchCode(int64_t first, int64_t last) {
        for (int64_t block = first >> kWatchShift; block <= last >> kWatchShift; ++block)
            m_watch[static_cast<size_t>(block)] = 1;
    }
    /// Whether the bytes first..last hold watched code.
    bool IsWatched(int64_t first, int64_t last) const {
        for (int64_t block = first >> kWatchShift; block <= last >> kWatchShift; ++block)
            if (m_watch[static_cast<size_t>(block)])
                return true;
        return false;
    }
    /// True once a write has touched watched code since the last ClearWatch.
    bool CodeWritten() const { return m_codeWritten; }
    /// Makes CodeWritten() true as such a write does, so that code kept for one run only is
    /// dropped after it.
    void MarkCodeWritten() {
        m_codeWritten = true;
        if (m_alarm)
            m_alarm->CutShort();
    }
    /// The instructions a run loop has left before it looks up from running them: a write into
    /// watched code cuts them short, so that the loop need not ask CodeWritten() after each
    /// one; the count cut off is kept, so that the loop still knows how many it ran.
    struct Countdown {
        uint32_t Left = 0;
        uint32_t Cut = 0;
        /// Only the instruction running is left.
        void CutShort() {
            if (Left > 1) {
                Cut += Left - 1;
                Left = 1;
            }
        }
    };
    /// The countdown that a write into watched code cuts short. The alarm belongs to this
    /// image, not to its copies.
    void SetCodeWriteAlarm(Countdown* countdown) { m_alarm = countdown; }
    /// Forgets every mark and the notice of a write.
    void ClearWatch();

  private:
    /// Copies bytes in, into memory asked for whole when it must grow.
    void CopyBytes(const std::vector<uint8_t>& bytes);
    [[noreturn]] static void Fault(int64_t address);
    // Code is watched in blocks of 64 bytes.
    static constexpr int kWatchShift = 6;
    void NoticeWrite(int64_t first, int64_t last) {
        if (m_watch[static_cast<size_t>(first >> kWatchShift)] |
            m_watch[static_cast<size_t>(last >> kWatchShift)]) [[unlikely]]
            MarkCodeWritten();
    }

    std::vector<uint8_t> m_bytes{0};
    std::vector<uint8_t> m_watch = std::vector<uint8_t>(1, 0); ///< one flag per block
    bool m_codeWritten = false;
    Countdown* m_alarm = nullptr;
};

/// A number as upper-case hexadecimal of its low 16 bits, with an even count of digits
/// (0 gives "00", 0x123 gives "0123").
std::string HexString(int32_t value);

} // namespace lantern
