#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// A file's identity on disk (device and inode): two names are the same file exactly when their
/// identities are equal, whatever links or paths lead to it.
struct FileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

/// The identity of the file that path names, following symbolic links; nothing when it names
/// none.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

/// Writes a file in place of another without ever harming what was there before it is replaced
/// whole. Every file the program writes for the player (saved games, tables, the transcript, the
/// record of commands) goes through here:
/// - a symbolic link is followed to the file it leads to, which is written, and stays a link;
/// - only a regular file is replaced, never a folder, device, FIFO or socket, and never one of
///   the protected files (the story being played), by whatever name;
/// - the new file is written as a temporary file beside the old one, with the old one's
///   permissions, and renamed over it only by Commit: a failed write leaves the old one as it
///   was, and the temporary file is removed. A temporary file is locked while it is written;
///   Commit removes the temporary files of the same file that no writer holds any more (left
///   by one that was killed).
/// Failures are values: Ok() turns false, and Describe() says why.
class SafeFileWriter {
  public:
    enum class Problem {
        None,
        Protected,  ///< the file is one of those that must not be written (the story)
        NotRegular, ///< a folder, a device, a FIFO, a socket...
        Unwritable, ///< the system refused (Reason says why)
    };

    /// Prepares to write path; nothing is changed on disk but a new temporary file beside it.
    SafeFileWriter(const std::string& path, std::span<const FileIdentity> protect);
    /// Removes the temporary file when it was not committed; flushes a committed one.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    bool Ok() const { return m_failure == Problem::None; }
    Problem Failure() const { return m_failure; }
    /// A sentence for the player about the file, for example "\"x\" is not a regular file.";
    /// empty while all goes well.
    std::string Describe() const;

    /// Adds bytes to the file (kept in a buffer until Flush, or until it grows large).
    bool Write(std::string_view bytes);
    /// Writes the buffer out.
    bool Flush();
    /// Flushes, makes the data durable and closes the file: a whole file is complete on disk
    /// before it is put in place.
    bool Finish();
    /// Puts the new file in place of the old one (a stream may go on writing to it after).
    bool Commit();
    /// Flushes and closes (a stream that has ended).
    bool Close();
    /// The new file's identity while it is open.
    std::optional<FileIdentity> Identity() const;

  private:
    bool Fail(Problem problem, int error = 0);

    std::string m_path;      ///< as the player named it
    std::string m_target;    ///< the file written: path with its symbolic links followed
    std::string m_temporary; ///< the new file until Commit
    int m_fd = -1;
    bool m_committed = false;
    std::string m_buffer;
    Problem m_failure = Problem::None;
    std::string m_reason; ///< the system's own words, for Unwritable
};

/// Writes bytes as the whole of the file at path through a SafeFileWriter: afterwards the file
/// holds exactly them, or it is as it was. Returns the writer's description of a failure, or
/// nothing when the file was written.
std::optional<std::string> WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes,
                                          std::span<const FileIdentity> protect);

} // namespace lantern
