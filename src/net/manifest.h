#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/launcher_error.h"
#include "integrity/sha1_digest.h"

namespace quillguard {

// Which of the two manifests is read; it decides the error codes a reading reports.
enum class ManifestKind { Launcher, Stub };

// The codes of one kind of manifest: 1, 2, 3 for the launcher's, 12, 13, 14 for a game stub's.
struct ManifestErrors {
    LauncherError fetchFailed;
    LauncherError missingSha1;
    LauncherError missingUrl;
};

// The codes that a flow reading a manifest of this kind reports.
ManifestErrors ManifestErrorsFor(ManifestKind kind);

// What a manifest names: the digest of the current build and where that build is served.
struct Manifest {
    Sha1Digest sha1;
    // The "url" member widened byte by byte (0x80..0xFF become 0xFF80..0xFFFF); nothing when the
    // member is absent or not a string, which matters only once a download is needed.
    std::optional<std::wstring> url;
};

struct ManifestReading {
    // 0 when the manifest was read; otherwise the fetch-failure or missing-SHA-1 code of its kind.
    LauncherError error = kSuccess;
    // Meaningful only when error is 0.
    Manifest manifest;
};

// Reads a fetched body as a manifest of the given kind. A body that is not exactly one JSON value
// (comments and trailing commas included) gives the fetch-failure code; a document that is not an
// object, or whose "sha1" is absent, not a string or not 40 hex digits, gives the missing-SHA-1
// code. Never throws.
ManifestReading ReadManifest(std::string_view body, ManifestKind kind);

}  // namespace quillguard
