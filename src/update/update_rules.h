#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillguard {

// How far a player's clock may run ahead before a manifest counts as expired.
inline constexpr std::chrono::hours kExpiryClockSlack{24};

// Whether a manifest of this version may be accepted after acceptedBefore (nothing when none was
// ever accepted for its server and path): the same version again is fine, an older one is a
// rollback.
bool IsVersionAcceptable(std::uint64_t version, std::optional<std::uint64_t> acceptedBefore);

// The registry value that keeps the version accepted for a manifest path of the update server
// whose base URL is server: "UpdateVersion " followed by the manifest's URL, e.g.
// "UpdateVersion https://updates.example.com/launcher/manifest.json". Both are ASCII.
std::wstring AcceptedVersionName(std::string_view server, std::string_view path);

// The time an RFC 3339 UTC text written as YYYY-MM-DDTHH:MM:SSZ names; std::nullopt for any other
// text, including an impossible date.
std::optional<std::chrono::sys_seconds> ParseUtcTime(std::string_view text);

// Whether a manifest that expires at expires (when it has that member) is past it by more than
// the clock slack at now. An "expires" that cannot be read has expired.
bool HasExpired(const std::optional<std::string>& expires, std::chrono::sys_seconds now);

}  // namespace quillguard
