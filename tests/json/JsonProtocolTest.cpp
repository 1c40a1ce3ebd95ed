// The JSON-lines protocol: a transcript of requests and the replies expected to them, played on a
// story of our own (tests/json/CASE/requests.jsonl and expected.jsonl; LANTERN_REBASELINE=1
// writes the replies over the expected ones, as the story tests do).
#include "json/JsonProtocol.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace lantern {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A snapshot's bytes hold the story's serial number, the date it was compiled: the replies show
// where one stands, and the requests name the last one given ("$snapshot") or a damaged copy of
// it ("$damaged").
std::string TakeSnapshot(std::string& reply) {
    const std::string key = "\"snapshot\":\"";
    const size_t start = reply.find(key);
    if (start == std::string::npos)
        return {};
    const size_t from = start + key.size();
    const size_t end = reply.find('"', from);
    std::string snapshot = reply.substr(from, end - from);
    reply.replace(from, end - from, "...");
    return snapshot;
}

void Substitute(std::string& request, const std::string& name, const std::string& value) {
    if (const size_t at = request.find(name); at != std::string::npos)
        request.replace(at, name.size(), value);
}

void PlayTranscript(const std::string& folder, const std::string& story) {
    SessionOptions options;
    options.Seed = 1;
    Session session(story, options);
    JsonProtocol protocol(session);
    std::string replies = protocol.Greeting() + "\n";
    std::istringstream requests(ReadText(folder + "/requests.jsonl"));
    std::string snapshot;
    for (std::string request; std::getline(requests, request);) {
        Substitute(request, "$snapshot", snapshot);
        std::vector<uint8_t> damaged = DecodeBase64(snapshot).value_or(std::vector<uint8_t>{});
        damaged.resize(std::min<size_t>(damaged.size(), 40));
        Substitute(request, "$damaged", EncodeBase64(damaged));
        JsonProtocol::Answer answer = protocol.Handle(request);
        if (std::string taken = TakeSnapshot(answer.Reply); !taken.empty())
            snapshot = taken;
        replies += answer.Reply + "\n";
        if (answer.Quit)
            break;
    }
    const std::string expectedPath = folder + "/expected.jsonl";
    if (const char* rebaseline = std::getenv("LANTERN_REBASELINE"); rebaseline && *rebaseline) {
        std::ofstream(expectedPath, std::ios::binary) << replies;
        return;
    }
    EXPECT_EQ(replies, ReadText(expectedPath));
}

TEST(JsonProtocol, GardenTranscript) {
    PlayTranscript(LANTERN_JSON_CASES "/garden", LANTERN_STORY_GARDEN_V5);
}

TEST(JsonProtocol, Base64RoundTripAndRefusals) {
    for (size_t length = 0; length < 8; ++length) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < length; ++i)
            bytes.push_back(static_cast<uint8_t>(0xF0 + i * 7));
        EXPECT_EQ(DecodeBase64(EncodeBase64(bytes)), bytes);
    }
    EXPECT_EQ(EncodeBase64({'L', 'a', 'n'}), "TGFu");
    for (const char* bad : {"TGF", "TG=u", "T===", "TGFu=", "TGF*", "=GFu"})
        EXPECT_FALSE(DecodeBase64(bad)) << bad;
}

} // namespace
} // namespace lantern
