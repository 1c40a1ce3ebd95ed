#include "files/Autosave.h"

#include "files/Iff.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lantern {

namespace {

// The chunk for data of one interpreter's own: the system it was written on ("UNIX"), no
// flags, contents 0, two reserved bytes and the interpreter's identifier ("LNTN"), then the
// screen's text. Other programs that read the file skip it.
constexpr std::string_view kChunkId = "IntD";
constexpr std::string_view kSystem = "UNIX";
constexpr std::string_view kInterpreter = "LNTN";
constexpr size_t kChunkHeader = 12;

} // namespace

std::string DefaultAutosaveFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/')
        return std::string(data) + "/lantern";
    const char* home = std::getenv("HOME");
    if (home && *home == '/')
        return std::string(home) + "/.local/share/lantern";
    return {};
}

std::string AutosavePath(const std::string& folder, int release, std::string_view serial,
                         int checksum) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string name = std::to_string(release) + "-";
    for (const char c : serial) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= 'a' && byte <= 'z')) {
            name.push_back(c);
        } else {
            name.push_back('%');
            name.push_back(kHex[byte >> 4]);
            name.push_back(kHex[byte & 15]);
        }
    }
    name += "-";
    for (int shift = 12; shift >= 0; shift -= 4)
        name.push_back(kHex[(checksum >> shift) & 15]);
    return folder + "/" + name + ".autosave.qzl";
}

AutosaveHold::AutosaveHold(const std::string& autosavePath) : m_path(autosavePath + ".lock") {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            if (errno == EWOULDBLOCK)
                m_state = State::Busy;
            return;
        }
        // The lock is good only on the file that still bears the name: one that a game
        // releasing its hold removed meanwhile is tried again.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(m_path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_fd = fd;
            m_state = State::Held;
            return;
        }
        ::close(fd);
    }
}

AutosaveHold::~AutosaveHold() {
    if (m_fd < 0)
        return;
    ::unlink(m_path.c_str());
    ::close(m_fd);
}

std::vector<uint8_t> PackAutosave(std::vector<uint8_t> quetzal, std::string_view screen) {
    std::vector<uint8_t> data(kSystem.begin(), kSystem.end());
    data.insert(data.end(), {0, 0, 0, 0});
    data.insert(data.end(), kInterpreter.begin(), kInterpreter.end());
    data.insert(data.end(), screen.begin(), screen.end());
    // The FORM's own chunks end where its length says (a pad byte included); the new chunk
    // goes after them and the length grows by it.
    const IffForm form = IffForm::Parse(quetzal);
    if (!form.Ok())
        return {};
    size_t end = 12;
    for (const IffChunk& chunk : form.Chunks())
        end = chunk.Offset + 8 + chunk.Data.size() + chunk.Data.size() % 2;
    quetzal.resize(end);
    PutChunk(quetzal, kChunkId, data);
    std::vector<uint8_t> length;
    PutBigEndian(length, static_cast<uint32_t>(quetzal.size() - 8), 4);
    std::copy(length.begin(), length.end(), quetzal.begin() + 4);
    return quetzal;
}

std::optional<AutosaveContents> UnpackAutosave(std::vector<uint8_t> file) {
    const IffForm form = IffForm::Parse(file);
    if (!form.Ok() || form.Type() != "IFZS")
        return std::nullopt;
    for (const IffChunk& chunk : form.Chunks()) {
        if (chunk.Id != kChunkId || chunk.Data.size() < kChunkHeader)
            continue;
        const std::string_view data(reinterpret_cast<const char*>(chunk.Data.data()),
                                    chunk.Data.size());
        if (data.substr(0, 4) != kSystem || data.substr(8, 4) != kInterpreter)
            continue;
        AutosaveContents contents;
        contents.Screen = std::string(data.substr(kChunkHeader));
        contents.Quetzal = std::move(file);
        return contents;
    }
    return std::nullopt;
}

} // namespace lantern
