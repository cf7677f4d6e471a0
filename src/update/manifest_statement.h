#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillguard {

// The members of a signed manifest that its signature covers.
struct SignedMembers {
    std::string sha1;        // 40 hex digits as served
    std::string sha256;      // 64 hex digits as served
    std::uint64_t size = 0;  // bytes
    std::uint64_t version = 0;
    std::string url;
    std::optional<std::string> expires;  // RFC 3339 UTC, e.g. 2027-01-31T00:00:00Z
};

// The exact bytes a signature covers, for the manifest served at path (e.g.
// "/launcher/manifest.json"); std::nullopt when a value cannot be written unambiguously (a control
// character or a byte >= 0x80 in path, url or expires, or a digest that is not hex of its length).
std::optional<std::string> ManifestStatement(std::string_view path, const SignedMembers& members);

}  // namespace quillguard
