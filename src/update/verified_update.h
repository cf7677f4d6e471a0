#pragma once

#include <filesystem>
#include <string>

#include "base/launcher_error.h"
#include "integrity/sha1_digest.h"
#include "net/http_session.h"

namespace quillguard {

// The codes one flow reports for each way its update can fail.
struct UpdateErrors {
    LauncherError fetchFailed;
    LauncherError missingSha1;
    LauncherError missingUrl;
    LauncherError downloadFailed;
    LauncherError checksumMismatch;
};

// What the server says of a local file.
struct UpdateCheck {
    // 0, or the fetch-failure code (the fetch failed, or the body is not one JSON value), the
    // missing-SHA-1 code (not an object, or no usable "sha1") or, only when the file is not
    // current, the missing-URL code.
    LauncherError code = kSuccess;
    bool current = false;  // the local file hashes to the manifest's digest
    Sha1Digest expected;   // the manifest's digest, when code is 0
    std::wstring url;      // where the new build is served, when code is 0 and not current
};

// Fetches and reads the manifest at manifestUrl and compares its digest with the local file's
// (a missing or unreadable file hashes to all zero, so it is current only for forty "0" digits).
// "url" matters only when the file is not current.
UpdateCheck CheckForUpdate(HttpSession& session, const std::wstring& manifestUrl,
                           const std::filesystem::path& localFile, const UpdateErrors& errors);

// Downloads the new build that a check named into target, a file of the caller's choosing, and
// verifies that it hashes to the expected digest. Returns 0, downloadFailed or checksumMismatch;
// on failure target may hold anything, and the caller removes it.
LauncherError DownloadVerified(HttpSession& session, const UpdateCheck& check,
                               const std::wstring& target, const UpdateErrors& errors);

}  // namespace quillguard
