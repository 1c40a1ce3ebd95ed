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

/// Reads the whole of a regular file of at most maxSize bytes. Every file the program reads goes
/// through here: it opens without blocking (a FIFO never stalls it), refuses what is not a
/// regular file before reading a byte, stops at maxSize (a file that grows while read is
/// TooLarge), and reports every failure as a value, never as an exception.
FileBytes ReadRegularFile(const std::string& path, size_t maxSize);

} // namespace lantern
