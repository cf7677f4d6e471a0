#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "publish/signing_key.h"
#include "update/manifest_statement.h"

namespace quillguard::publish {

// The "version" of the next signed manifest at a path, or why it cannot be told.
struct NextVersion {
    std::optional<std::uint64_t> version;
    std::string problem;
};

// One more than the "version" of the manifest there now (existing), so that launchers, which
// refuse versions lower than one they accepted, take it; 1 when there is none, or when it has no
// "version" (unsigned, from before signing). A manifest there that cannot be read, or whose
// "version" is not a non-negative integer below the largest, is a problem: the version players
// accepted could otherwise be undercut.
NextVersion NextVersionAfter(const std::optional<std::string>& existing);

// The time days after now, to the second, in RFC 3339 UTC: "2027-01-31T00:00:00Z".
std::string ExpiryAfter(std::chrono::system_clock::time_point now, unsigned days);

// The signed manifest naming members; nothing when the statement cannot be formed, signing fails,
// or the signature made does not verify with the key's public point (a private key whose public
// key is not its own).
std::optional<std::string> SignedManifestText(const SignedMembers& members, const SigningKey& key);

// Whether body is a signed manifest that says members, without an expiry, with a signature the
// key at point verifies: publishing it again would change nothing.
bool SaysAlready(std::string_view body, const SignedMembers& members,
                 std::span<const std::uint8_t, 64> point);

}  // namespace quillguard::publish
