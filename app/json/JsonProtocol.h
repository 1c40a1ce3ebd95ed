#pragma once

#include "session/Session.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// Requests longer than this (bytes, without the line's end) are refused unread; a snapshot
/// takes at most some 110 KiB of base64.
inline constexpr size_t kMaxRequestLength = size_t{1} << 20;

/// The JSON-lines protocol of `lantern --json`: one request a line, one reply a line.
///
/// Requests are objects: {"input": TEXT}, {"peek": TEXT}, {"restore": SNAPSHOT},
/// {"restart": true}, {"quit": true}, {"snapshot": true}; "snapshot": true may go with any of
/// the others (the snapshot is taken after it), and "id" with any value comes back in the
/// reply. A reply tells the text the lower window printed since the last reply, the upper
/// window's rows, the status line, what the story waits for, score, moves, time and location
/// (null where they cannot be known), how the game ended, the messages the story brought up
/// and the snapshot asked for (a Quetzal saved game in base64). A bad request gets
/// {"error": WHY} and leaves the game as it was.
class JsonProtocol {
  public:
    explicit JsonProtocol(Session& session) : m_session(session) {}

    /// The reply that comes before any request: the story's text up to its first input.
    std::string Greeting();
    /// The reply to one request line (without its line end), and whether the program ends.
    struct Answer {
        std::string Reply;
        bool Quit = false;
    };
    Answer Handle(std::string_view line);
    /// The reply to a line longer than kMaxRequestLength.
    static std::string TooLong();
    /// An error reply: {"error": why}.
    static std::string Error(const std::string& why);

  private:
    Session& m_session;
};

/// Base64 (RFC 4648, with padding); Decode gives nothing for text that is not base64.
std::string EncodeBase64(const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

} // namespace lantern
