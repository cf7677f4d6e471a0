#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "integrity/sha1_digest.h"

namespace quillguard {

// The most a manifest may hold: bodies are read into memory, and nothing bigger is a manifest.
inline constexpr std::size_t kFetchLimit = 64 * 1024;

// What a manifest names: the digest of the current build and where that build is served.
struct Manifest {
    Sha1Digest sha1;
    // The "url" member widened byte by byte (0x80..0xFF become 0xFF80..0xFFFF); nothing when the
    // member is absent or not a string, which matters only once a download is needed.
    std::optional<std::wstring> url;
};

// What reading a body found; each flow maps it to its own error codes.
enum class ManifestFinding {
    Read,             // a manifest with a usable "sha1"
    NotOneJsonValue,  // a syntax error, comments, trailing commas, a zero byte, invalid UTF-8
    NotAnObject,      // valid JSON, but an array, a string, a number...
    NoUsableSha1,     // an object whose "sha1" is absent, not a string or not 40 hex digits
};

struct ManifestReading {
    ManifestFinding finding = ManifestFinding::Read;
    // Meaningful only when finding is Read.
    Manifest manifest;
};

// Reads a fetched body as a manifest: exactly one JSON value, an object, with a 40-hex-digit
// "sha1" in either case and maybe a string "url". Never throws.
ManifestReading ReadManifest(std::string_view body);

}  // namespace quillguard
