#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lantern {

/// What names a Z-code story: the release, serial number and checksum of its header, and its
/// IFID as the Treaty of Babel gives it for Z-code.
struct ZCodeIdentity {
    int Version = 0;
    int Release = 0;
    std::string Serial; ///< six characters, as the header holds them
    int Checksum = 0;
    std::string Ifid;
};

/// The identity of the Z-code story in story (at least a header's bytes). Its IFID is the
/// one the story declares ("UUID://" 36 characters "//" in its memory), otherwise
/// "ZCODE-release-serial", with "-CHECKSUM" appended for stories of Infocom's time and those
/// whose serial is not a date.
ZCodeIdentity IdentifyZCode(std::span<const uint8_t> story);

} // namespace lantern
