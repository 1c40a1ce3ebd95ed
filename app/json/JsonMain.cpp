#include "json/JsonMain.h"

#include "StopSignals.h"
#include "files/StoryFile.h"
#include "memory/StoryError.h"

#include "json/JsonProtocol.h"
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <unistd.h>

namespace lantern {

namespace {

constexpr int kLoadFailedStatus = 1;
constexpr int kOutputFailedStatus = 4;

/// Reads standard input a line at a time, straight from the descriptor, so that a stop signal
/// cuts a wait for the next request short.
class RequestReader {
  public:
    enum class Result { Line, TooLong, Ended };

    /// The next line without its end ("\n" or "\r\n"); a line beyond kMaxRequestLength is read
    /// to its end and dropped.
    Result Next(std::string& line) {
        line.clear();
        bool tooLong = false;
        bool any = false;
        for (;;) {
            if (m_at == m_filled && !Fill())
                return any ? Finish(line, tooLong) : Result::Ended;
            any = true;
            const char* start = m_buffer + m_at;
            const auto* end = static_cast<const char*>(std::memchr(start, '\n', m_filled - m_at));
            const size_t count = end ? static_cast<size_t>(end - start) : m_filled - m_at;
            if (!tooLong && line.size() + count <= kMaxRequestLength)
                line.append(start, count);
            else
                tooLong = true;
            m_at += count;
            if (end) {
                ++m_at;
                return Finish(line, tooLong);
            }
        }
    }

  private:
    static Result Finish(std::string& line, bool tooLong) {
        if (tooLong) {
            line.clear();
            return Result::TooLong;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return Result::Line;
    }
    bool Fill() {
        for (;;) {
            if (StopSignal() != 0)
                return false;
            const ssize_t count = read(STDIN_FILENO, m_buffer, sizeof m_buffer);
            if (count > 0) {
                m_at = 0;
                m_filled = static_cast<size_t>(count);
                return true;
            }
            if (count == 0 || errno != EINTR)
                return false;
        }
    }

    char m_buffer[65536];
    size_t m_at = 0;
    size_t m_filled = 0;
};

// Writes a reply and its line end whole; false when standard output cannot take it.
bool WriteLine(std::string line) {
    line.push_back('\n');
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t count = write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (count < 0 && errno == EINTR && StopSignal() == 0)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

int OutputFailed() {
    if (StopSignal() != 0)
        return 0; // the program ends by the signal
    std::cerr << "lantern: cannot write to standard output: "
              << (errno != 0 ? std::strerror(errno) : "write error") << '\n';
    return kOutputFailedStatus;
}

} // namespace

int RunJson(const Options& options) {
    CatchStopSignals();
    // A closed pipe is a write error to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    SessionOptions settings;
    settings.Standard = options.standard;
    settings.Seed = options.seed;
    if (options.width > 0)
        settings.Columns = options.width;
    if (options.height > 0)
        settings.Rows = options.height;
    std::optional<Session> session;
    try {
        session.emplace(options.story, settings);
    } catch (const LoadError& e) {
        std::cerr << "lantern: " << e.what() << '\n';
        errno = 0;
        if (!WriteLine(JsonProtocol::Error(e.what())))
            return OutputFailed();
        return kLoadFailedStatus;
    }
    session->SetBreath([] {
        if (StopSignal() != 0)
            throw GameStopped{};
    });
    JsonProtocol protocol(*session);
    errno = 0;
    if (!WriteLine(protocol.Greeting()))
        return OutputFailed();
    RequestReader reader;
    std::string line;
    for (;;) {
        const RequestReader::Result read = reader.Next(line);
        if (read == RequestReader::Result::Ended)
            return 0;
        JsonProtocol::Answer answer;
        if (read == RequestReader::Result::TooLong)
            answer.Reply = JsonProtocol::TooLong();
        else
            answer = protocol.Handle(line);
        errno = 0;
        if (!WriteLine(answer.Reply))
            return OutputFailed();
        if (answer.Quit || StopSignal() != 0)
            return 0;
    }
}

} // namespace lantern
