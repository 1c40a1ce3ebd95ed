#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lantern {

/// The bytes of a file, or what stood in the way of reading them.
struct FileBytes {
    enum class Problem {
        None,
        Missing,    ///< the path names nothing
        NotRegular, ///< a folder, a device, a FIFO, a socket...
        TooLarge,   ///< more bytes than the caller allows
        Unreadable, ///< the system refused to open or read it (Reason says why)
    };
    std::vector<uint8_t> Bytes;
    Problem Failure = Problem::None;
    std::string Reason; ///< the system's own words, for Unreadable

    bool Ok() const { return Failure == Problem::None; }
    /// A sentence for the player about the file at path, for example
    /// "\"x\" is not a regular file." Empty when the file was read.
    std::string Describe(const std::string& path) const;
};

/// A regular file of at most a given size, open for reading. Opening does the checks of
/// ReadRegularFile; a file read in parts (a story container whose pictures are not wanted) is
/// read through ReadAt.
class RegularFile {
  public:
    RegularFile(const std::string& path, size_t maxSize);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool Ok() const { return m_failure.Ok(); }
    /// Why the file could not be opened or read (no bytes), once Ok() is false.
    const FileBytes& Failure() const { return m_failure; }
    /// The size the file had when it was opened.
    size_t Size() const { return m_size; }
    /// Reads length bytes from offset into `into`. False, with Failure() saying why, when the
    /// system refuses or the file has fewer bytes there than it had when opened.
    bool ReadAt(size_t offset, uint8_t* into, size_t length);
    /// Reads the whole file, into memory asked for at once (a story is read at every start).
    /// A file that has grown past the bound meanwhile is TooLarge.
    FileBytes ReadAll();

  private:
    void Fail(FileBytes::Problem problem, int error);

    int m_fd = -1;
    size_t m_size = 0;
    size_t m_maxSize = 0;
    FileBytes m_failure;
};

/// Reads the whole of a regular file of at most maxSize bytes. Every file the program reads goes
/// through here or RegularFile: it opens without blocking (a FIFO never stalls it), refuses what
/// is not a regular file before reading a byte, stops at maxSize (a file that grows while read is
/// TooLarge), and reports every failure as a value, never as an exception.
FileBytes ReadRegularFile(const std::string& path, size_t maxSize);

} // namespace lantern
