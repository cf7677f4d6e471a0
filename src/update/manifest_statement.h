#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillguard {

// The members of a signed manifest that its signature covers.
struct SignedMembers {
    std::string server;      // the base URL of the update server it is for, e.g. https://host
    std::string path;        // where under it the manifest is served, e.g. /launcher/manifest.json
    std::string sha1;        // 40 hex digits as served
    std::string sha256;      // 64 hex digits as served
    std::uint64_t size = 0;  // bytes
    std::uint64_t version = 0;
    std::string url;
    std::optional<std::string> expires;  // RFC 3339 UTC, e.g. 2027-01-31T00:00:00Z
};

// The exact bytes a signature covers; std::nullopt when a value cannot be written unambiguously
// (a control character or a byte >= 0x80 in server, path, url or expires, or a digest that is not
// hex of its length).
std::optional<std::string> ManifestStatement(const SignedMembers& members);

}  // namespace quillguard
