#include "files/FileRead.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lantern {

namespace {

FileBytes Failed(FileBytes::Problem problem, int error = 0) {
    FileBytes result;
    result.Failure = problem;
    if (error != 0)
        result.Reason = std::strerror(error);
    return result;
}

} // namespace

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

FileBytes ReadRegularFile(const std::string& path, size_t maxSize) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Failed(
            errno == ENOENT ? FileBytes::Problem::Missing : FileBytes::Problem::Unreadable, errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return Failed(FileBytes::Problem::Unreadable, error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return Failed(FileBytes::Problem::NotRegular);
    }
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxSize) {
        ::close(fd);
        return Failed(FileBytes::Problem::TooLarge);
    }
    FileBytes result;
    // One byte more than the size, so that a file grown since fstat is noticed.
    result.Bytes.resize(static_cast<size_t>(info.st_size) + 1);
    size_t got = 0;
    for (;;) {
        if (got == result.Bytes.size()) {
            if (got > maxSize) {
                ::close(fd);
                return Failed(FileBytes::Problem::TooLarge);
            }
            result.Bytes.resize(std::min(maxSize + 1, got + 65536));
        }
        const ssize_t n = ::read(fd, result.Bytes.data() + got, result.Bytes.size() - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return Failed(FileBytes::Problem::Unreadable, error);
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    result.Bytes.resize(got);
    return result;
}

} // namespace lantern
