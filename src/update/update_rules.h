#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillguard {

// How far a player's clock may run ahead before a manifest counts as expired.
inline constexpr std::int64_t kExpiryClockSlackSeconds = 24 * 60 * 60;

// Whether a manifest of this version may be accepted after acceptedBefore (nothing when none was
// ever accepted for its path): the same version again is fine, an older one is a rollback.
bool IsVersionAcceptable(std::uint64_t version, std::optional<std::uint64_t> acceptedBefore);

// Seconds since 1970-01-01T00:00:00Z of an RFC 3339 UTC time written as YYYY-MM-DDTHH:MM:SSZ;
// std::nullopt for any other text, including an impossible date.
std::optional<std::int64_t> ParseUtcTime(std::string_view text);

// Whether a manifest that expires at expires (when it has that member) is past it by more than
// the clock slack at now (seconds since 1970). An "expires" that cannot be read has expired.
bool HasExpired(const std::optional<std::string>& expires, std::int64_t now);

}  // namespace quillguard
