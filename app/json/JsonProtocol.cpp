#include "json/JsonProtocol.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>

namespace lantern {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kBase64Digits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// What a request may hold; the actions are the keys of which one at a time is taken.
constexpr std::array<std::string_view, 5> kActions = {"input", "peek", "restore", "restart",
                                                      "quit"};

std::string Line(const Json& reply) {
    // Text that is not UTF-8 never reaches a reply (the story's text is converted), but a
    // replacement character is better than no reply at all.
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string ErrorLine(const Json* id, const std::string& why) {
    Json reply = Json::object();
    if (id)
        reply["id"] = *id;
    reply["error"] = why;
    return Line(reply);
}

const char* EndingName(GameOutcome::Kind kind) {
    switch (kind) {
    case GameOutcome::Kind::Quit: return "quit";
    case GameOutcome::Kind::Fault: return "fault";
    case GameOutcome::Kind::LoadFailed:
    case GameOutcome::Kind::Stopped:
    case GameOutcome::Kind::Waiting: break;
    }
    return "stopped";
}

// The game as it stands, with the text and messages since the last reply.
Json Reply(Session& session, const Json* id) {
    Json reply = Json::object();
    if (id)
        reply["id"] = *id;
    reply["text"] = session.TakeText();
    const std::vector<std::string> upper = session.UpperWindow();
    reply["upper"] = upper;
    reply["status"] = session.StatusLine();
    switch (session.Waiting()) {
    case zMachine::Awaiting::Line: reply["waiting"] = "line"; break;
    case zMachine::Awaiting::Key: reply["waiting"] = "key"; break;
    case zMachine::Awaiting::Nothing: reply["waiting"] = nullptr; break;
    }
    auto optional = [](const auto& value) { return value ? Json(*value) : Json(nullptr); };
    reply["score"] = optional(session.Score());
    reply["moves"] = optional(session.Moves());
    if (const auto time = session.Time())
        reply["time"] = {{"hours", time->Hours}, {"minutes", time->Minutes}};
    else
        reply["time"] = nullptr;
    reply["location"] = optional(session.Location());
    if (const auto& ending = session.Ending()) {
        reply["ended"] = EndingName(ending->kind);
        if (!ending->message.empty())
            reply["fault"] = ending->message;
    }
    if (std::vector<std::string> messages = session.TakeMessages(); !messages.empty())
        reply["messages"] = std::move(messages);
    return reply;
}

void AddSnapshot(Session& session, Json& reply) {
    const std::vector<uint8_t> snapshot = session.Snapshot();
    reply["snapshot"] = snapshot.empty() ? Json(nullptr) : Json(EncodeBase64(snapshot));
}

} // namespace

std::string EncodeBase64(const std::vector<uint8_t>& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t count = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = uint32_t{bytes[i]} << 16;
        if (count > 1)
            group |= uint32_t{bytes[i + 1]} << 8;
        if (count > 2)
            group |= bytes[i + 2];
        for (size_t d = 0; d < 4; ++d)
            text.push_back(d <= count ? kBase64Digits[(group >> (18 - 6 * d)) & 63] : '=');
    }
    return text;
}

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        uint32_t group = 0;
        int padding = 0;
        for (size_t d = 0; d < 4; ++d) {
            const char c = text[i + d];
            const bool last = i + 4 == text.size();
            if (c == '=' && last && d >= 2 && (d == 3 || text[i + 3] == '=')) {
                ++padding;
                group <<= 6;
                continue;
            }
            const size_t value = kBase64Digits.find(c);
            if (value == std::string_view::npos || padding > 0)
                return std::nullopt;
            group = (group << 6) | static_cast<uint32_t>(value);
        }
        bytes.push_back(static_cast<uint8_t>(group >> 16));
        if (padding < 2)
            bytes.push_back(static_cast<uint8_t>(group >> 8));
        if (padding < 1)
            bytes.push_back(static_cast<uint8_t>(group));
    }
    return bytes;
}

std::string JsonProtocol::Greeting() {
    return Line(Reply(m_session, nullptr));
}

std::string JsonProtocol::Error(const std::string& why) {
    return ErrorLine(nullptr, why);
}

std::string JsonProtocol::TooLong() {
    return ErrorLine(nullptr, "The request is longer than " +
                                  std::to_string(kMaxRequestLength >> 20) + " MiB.");
}

JsonProtocol::Answer JsonProtocol::Handle(std::string_view line) {
    const Json request = Json::parse(line, nullptr, false);
    if (request.is_discarded())
        return {ErrorLine(nullptr, "The request is not JSON."), false};
    if (!request.is_object())
        return {ErrorLine(nullptr, "A request is a JSON object."), false};
    const auto idAt = request.find("id");
    const Json* id = idAt != request.end() ? &*idAt : nullptr;
    auto refuse = [id](const std::string& why) { return Answer{ErrorLine(id, why), false}; };

    // Everything is checked before anything is done, so that a bad request changes nothing.
    std::string_view action;
    bool snapshot = false;
    for (const auto& [key, value] : request.items()) {
        if (key == "id")
            continue;
        if (key == "snapshot") {
            if (!value.is_boolean())
                return refuse("\"snapshot\" takes true or false.");
            snapshot = value.get<bool>();
            continue;
        }
        const auto known = std::find(kActions.begin(), kActions.end(), key);
        if (known == kActions.end())
            return refuse("Unknown key \"" + key +
                          "\" (a request holds one of input, peek, "
                          "restore, restart and quit, snapshot and id).");
        if (!action.empty())
            return refuse("One of input, peek, restore, restart and quit at a time.");
        action = *known;
        const bool flag = action == "restart" || action == "quit";
        if (flag && value != Json(true))
            return refuse("\"" + key + "\" takes true.");
        if (!flag && !value.is_string())
            return refuse("\"" + key + "\" takes a string.");
    }
    if (action.empty() && !snapshot)
        return refuse("Nothing was asked (input, peek, restore, restart, quit or snapshot).");

    Json reply;
    if (action == "input" || action == "peek") {
        const bool peek = action == "peek";
        if (peek)
            m_session.Mark();
        if (const auto error = m_session.Input(request[std::string(action)].get<std::string>())) {
            if (peek)
                m_session.Rewind();
            return refuse(*error);
        }
        reply = Reply(m_session, id);
        if (snapshot)
            AddSnapshot(m_session, reply);
        if (peek)
            m_session.Rewind();
        return {Line(reply), false};
    }
    if (action == "restore") {
        const auto bytes = DecodeBase64(request["restore"].get<std::string>());
        if (!bytes)
            return refuse("The snapshot is not base64.");
        if (const auto error = m_session.Restore(*bytes))
            return refuse(*error);
    } else if (action == "restart") {
        m_session.Restart();
    }
    reply = Reply(m_session, id);
    if (snapshot)
        AddSnapshot(m_session, reply);
    return {Line(reply), action == "quit"};
}

} // namespace lantern
