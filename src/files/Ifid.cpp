#include "files/Ifid.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace lantern {

namespace {

constexpr std::string_view kUuidMark = "UUID://";
constexpr size_t kUuidLength = 36;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsUuidCharacter(uint8_t c) {
    return IsDigit(static_cast<char>(c)) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f') ||
           c == '-';
}

// The IFID a story declares: "UUID://", 36 hexadecimal digits and dashes, "//".
std::string DeclaredIfid(std::span<const uint8_t> story) {
    const auto* mark = reinterpret_cast<const uint8_t*>(kUuidMark.data());
    for (auto at = story.begin();; ++at) {
        at = std::search(at, story.end(), mark, mark + kUuidMark.size());
        if (story.end() - at < static_cast<std::ptrdiff_t>(kUuidMark.size() + kUuidLength + 2))
            return {};
        const auto uuid = at + static_cast<std::ptrdiff_t>(kUuidMark.size());
        const auto end = uuid + static_cast<std::ptrdiff_t>(kUuidLength);
        if (std::all_of(uuid, end, IsUuidCharacter) && end[0] == '/' && end[1] == '/')
            return std::string(uuid, end);
    }
}

} // namespace

ZCodeIdentity IdentifyZCode(std::span<const uint8_t> story) {
    ZCodeIdentity identity;
    if (story.size() < 0x1E)
        return identity;
    identity.Version = story[0];
    identity.Release = (story[2] << 8) | story[3];
    identity.Serial.assign(reinterpret_cast<const char*>(story.data() + 0x12), 6);
    identity.Checksum = (story[0x1C] << 8) | story[0x1D];

    // Stories of Infocom's time (serials from the 1980s and 1990s, or none at all) may hold
    // the mark by chance, and never declared an IFID.
    const std::string& serial = identity.Serial;
    const bool vintage = serial[0] == '8' || serial[0] == '9' || serial == "000000";
    if (!vintage) {
        identity.Ifid = DeclaredIfid(story);
        if (!identity.Ifid.empty())
            return identity;
    }
    // A legacy IFID: characters of the serial other than letters and digits become "-"; the
    // checksum tells apart the many builds of a vintage release and stories whose serial is
    // not a date.
    std::string shown = serial;
    for (char& c : shown)
        if (!IsDigit(c) && !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            c = '-';
    const bool dated = std::all_of(serial.begin(), serial.end(), IsDigit);
    identity.Ifid = "ZCODE-" + std::to_string(identity.Release) + "-" + shown;
    if (vintage || !dated) {
        char checksum[8];
        std::snprintf(checksum, sizeof checksum, "-%04X", static_cast<unsigned>(identity.Checksum));
        identity.Ifid += checksum;
    }
    return identity;
}

} // namespace lantern
