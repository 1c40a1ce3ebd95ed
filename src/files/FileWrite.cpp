#include "files/FileWrite.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lantern {

namespace {

// Links followed before giving up, as the system itself does.
constexpr int kMaxLinks = 40;
// A stream's text is written out once this much has gathered.
constexpr size_t kBufferLimit = 65536;
// The end of a temporary file's name.
constexpr std::string_view kPartial = ".partial";
// How old a temporary file that nobody holds must be to be taken for one left over.
constexpr std::time_t kLeftOverSeconds = 2;

FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// Follows the symbolic links at path to the name of the file they lead to (which may not exist
// yet). False, with errno set, when they cannot be followed.
bool FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0)
            return errno == ENOENT; // a new file, created where the last link points
        if (!S_ISLNK(info.st_mode))
            return true;
        if (links == kMaxLinks) {
            errno = ELOOP;
            return false;
        }
        std::array<char, 4096> buffer{};
        const ssize_t length = ::readlink(target.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return false;
        if (static_cast<size_t>(length) == buffer.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::filesystem::path link(std::string(buffer.data(), static_cast<size_t>(length)));
        target = link.is_absolute() ? link.string()
                                    : (std::filesystem::path(target).parent_path() / link).string();
    }
}

// Creates a new file beside target under a name of its own (exclusively, so that two runs
// writing at the same time never share one).
int CreateTemporaryBeside(const std::string& target, mode_t mode, std::string& temporary) {
    std::random_device device;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::array<char, 16> digits{};
        const uint64_t value = (uint64_t{device()} << 32) | device();
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16).ptr;
        temporary = target + "." + std::string(digits.data(), end) + std::string(kPartial);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            // Held while it is written: a file of this name that nobody holds was left by a
            // writer that was killed.
            ::flock(fd, LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// Whether name is that of a temporary file of the target whose name is prefix less its dot.
bool IsPartialOf(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || !name.ends_with(kPartial))
        return false;
    const std::string_view digits =
        name.substr(prefix.size(), name.size() - prefix.size() - kPartial.size());
    return !digits.empty() && digits.size() <= 16 &&
           digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// Removes the temporary files of target that writers killed in the middle left behind: those
// that nobody holds and that are a moment old (a writer takes its lock just after creating
// its file).
void RemoveLeftOvers(const std::string& target) {
    const std::filesystem::path path(target);
    const std::string prefix = path.filename().string() + ".";
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::error_code ec;
    for (std::filesystem::directory_iterator entry(folder, ec), end; !ec && entry != end;
         entry.increment(ec)) {
        if (!IsPartialOf(entry->path().filename().string(), prefix))
            continue;
        const std::string name = entry->path().string();
        const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            std::time(nullptr) - info.st_mtime >= kLeftOverSeconds &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(name.c_str());
        ::close(fd);
    }
}

} // namespace

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return IdentityOf(info);
}

SafeFileWriter::SafeFileWriter(const std::string& path, std::span<const FileIdentity> protect)
    : m_path(path) {
    if (!FollowLinks(path, m_target)) {
        Fail(Problem::Unwritable, errno);
        return;
    }
    struct stat info {};
    const bool exists = ::lstat(m_target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        Fail(Problem::NotRegular);
        return;
    }
    if (exists && std::find(protect.begin(), protect.end(), IdentityOf(info)) != protect.end()) {
        Fail(Problem::Protected);
        return;
    }
    // A new file gets the usual permissions (the umask applies); a replaced one keeps its own,
    // given before a byte is written, so that a private file never stands open to others.
    m_fd = CreateTemporaryBeside(m_target, exists ? 0600 : 0666, m_temporary);
    if (m_fd < 0) {
        Fail(Problem::Unwritable, errno);
        return;
    }
    if (exists) {
        // The owner too, where the system lets us (it does when the file is ours already).
        [[maybe_unused]] const int owned = ::fchown(m_fd, info.st_uid, info.st_gid);
        if (::fchmod(m_fd, info.st_mode & 07777) != 0)
            Fail(Problem::Unwritable, errno);
    }
}

SafeFileWriter::~SafeFileWriter() {
    if (m_committed)
        Flush();
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temporary.empty())
        ::unlink(m_temporary.c_str());
}

bool SafeFileWriter::Fail(Problem problem, int error) {
    if (m_failure == Problem::None) {
        m_failure = problem;
        m_reason = error != 0 ? std::strerror(error) : "";
    }
    return false;
}

std::string SafeFileWriter::Describe() const {
    const std::string name = "\"" + m_path + "\"";
    switch (m_failure) {
    case Problem::None: return {};
    case Problem::Protected: return name + " is the story file: it would be overwritten.";
    case Problem::NotRegular: return name + " is not a regular file.";
    case Problem::Unwritable: break;
    }
    return name + " cannot be written: " + m_reason + ".";
}

bool SafeFileWriter::Write(std::string_view bytes) {
    if (!Ok() || m_fd < 0)
        return false;
    m_buffer.append(bytes);
    return m_buffer.size() < kBufferLimit || Flush();
}

bool SafeFileWriter::Flush() {
    if (!Ok() || m_fd < 0)
        return false;
    size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_buffer.clear();
            return Fail(Problem::Unwritable, n < 0 ? errno : ENOSPC);
        }
        done += static_cast<size_t>(n);
    }
    m_buffer.clear();
    return true;
}

bool SafeFileWriter::Finish() {
    if (!Flush())
        return false;
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        return Fail(Problem::Unwritable, errno);
    return Close();
}

bool SafeFileWriter::Close() {
    const bool flushed = Flush();
    if (m_fd < 0)
        return flushed;
    // Some file systems report a failed write only when the file is closed.
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return Fail(Problem::Unwritable, errno);
    return flushed;
}

std::optional<FileIdentity> SafeFileWriter::Identity() const {
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
        return std::nullopt;
    return IdentityOf(info);
}

bool SafeFileWriter::Commit() {
    if (!Ok() || m_committed)
        return Ok();
    // What stands there now must still be a regular file (or nothing): it may have changed
    // since the writer was made.
    struct stat info {};
    if (::lstat(m_target.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return Fail(Problem::NotRegular);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        return Fail(Problem::Unwritable, errno);
    m_committed = true;
    RemoveLeftOvers(m_target);
    return true;
}

std::optional<std::string> WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes,
                                          std::span<const FileIdentity> protect) {
    SafeFileWriter writer(path, protect);
    writer.Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (writer.Finish() && writer.Commit())
        return std::nullopt;
    return writer.Describe();
}

} // namespace lantern
