#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillguard {

// A SHA-1 digest in FIPS 180-4 byte order. All zero is what hashing a file that cannot be read
// gives.
struct Sha1Digest {
    std::array<std::uint8_t, 20> bytes{};

    friend bool operator==(const Sha1Digest&, const Sha1Digest&) = default;
};

// Parses exactly 40 hex digits in either case. Throws std::invalid_argument with
// "SHA1 hex string must be 40 characters." or "Invalid hex digit"; never returns part of a digest.
Sha1Digest Sha1FromHex(std::string_view text);

// The 40 lower-case hex digits of a digest.
std::wstring Sha1ToHex(const Sha1Digest& digest);

}  // namespace quillguard
