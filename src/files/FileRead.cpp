#include "files/FileRead.h"

#include "memory/Prefault.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lantern {

std::string FileBytes::Describe(const std::string& path) const {
    const std::string name = "\"" + path + "\"";
    switch (Failure) {
    case Problem::None: return {};
    case Problem::Missing: return name + " does not exist.";
    case Problem::NotRegular: return name + " is not a regular file.";
    case Problem::TooLarge: return name + " is too large.";
    case Problem::Unreadable: break;
    }
    return "Cannot read " + name + ": " + Reason + ".";
}

RegularFile::RegularFile(const std::string& path, size_t maxSize) : m_maxSize(maxSize) {
    // Opening a device may act on it (a tape rewinds): what is not a regular file is refused
    // before it is opened. It is checked again once open, since it may change in between.
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
        Fail(FileBytes::Problem::NotRegular, 0);
        return;
    }
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        Fail(errno == ENOENT ? FileBytes::Problem::Missing : FileBytes::Problem::Unreadable, errno);
        return;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        Fail(FileBytes::Problem::Unreadable, errno);
    else if (!S_ISREG(info.st_mode))
        Fail(FileBytes::Problem::NotRegular, 0);
    else if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxSize)
        Fail(FileBytes::Problem::TooLarge, 0);
    else
        m_size = static_cast<size_t>(info.st_size);
}

RegularFile::~RegularFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void RegularFile::Fail(FileBytes::Problem problem, int error) {
    m_failure.Failure = problem;
    m_failure.Reason = error != 0 ? std::strerror(error) : "";
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool RegularFile::ReadAt(size_t offset, uint8_t* into, size_t length) {
    if (!Ok())
        return false;
    while (length > 0) {
        const ssize_t n = ::pread(m_fd, into, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0) {
                m_failure.Failure = FileBytes::Problem::Unreadable;
                m_failure.Reason = "it became shorter while it was read";
                return false;
            }
            Fail(FileBytes::Problem::Unreadable, errno);
            return false;
        }
        into += n;
        offset += static_cast<size_t>(n);
        length -= static_cast<size_t>(n);
    }
    return true;
}

FileBytes RegularFile::ReadAll() {
    if (!Ok())
        return m_failure;
    FileBytes result;
    // One byte more than the size, so that a file grown since it was opened is noticed; the
    // pages are mapped in one request rather than faulted in one by one.
    result.Bytes.reserve(m_size + 1);
    Prefault(result.Bytes.data(), result.Bytes.capacity());
    result.Bytes.resize(m_size + 1);
    size_t got = 0;
    for (;;) {
        if (got == result.Bytes.size()) {
            if (got > m_maxSize) {
                Fail(FileBytes::Problem::TooLarge, 0);
                return m_failure;
            }
            result.Bytes.resize(std::min(m_maxSize + 1, got + 65536));
        }
        const ssize_t n = ::read(m_fd, result.Bytes.data() + got, result.Bytes.size() - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(FileBytes::Problem::Unreadable, errno);
            return m_failure;
        }
        got += static_cast<size_t>(n);
    }
    result.Bytes.resize(got);
    return result;
}

FileBytes ReadRegularFile(const std::string& path, size_t maxSize) {
    RegularFile file(path, maxSize);
    return file.ReadAll();
}

} // namespace lantern
