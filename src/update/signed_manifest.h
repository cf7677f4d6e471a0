#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "update/manifest_statement.h"

namespace quillguard {

// What a signed manifest holds beyond today's members.
struct SignedManifest {
    SignedMembers members;
    std::array<std::uint8_t, 32> sha256{};     // members.sha256 as bytes
    std::array<std::uint8_t, 64> signature{};  // r‖s, big-endian
};

// Reads the signed members of a manifest body: "server", "path" and "url" (strings), "sha1" (40
// hex digits), "sha256" (64), "size" and "version" (non-negative JSON integers), optionally
// "expires" (a string) and "signature" (base64 of 64 bytes). std::nullopt when any of them is
// absent, of another type or malformed; unknown members are ignored. Never throws.
std::optional<SignedManifest> ReadSignedManifest(std::string_view body);

}  // namespace quillguard
