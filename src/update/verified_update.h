#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/launcher_error.h"
#include "integrity/sha1_digest.h"
#include "net/http_session.h"
#include "update/signed_update.h"
#include "update/update_trust.h"

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
    // What the signed manifest promises, when signed manifests are required and code is 0.
    std::optional<AcceptedManifest> accepted;
};

// Makes both flows accept only manifests that trust accepts (the launcher calls it once, before
// any flow runs, when it is built with signing keys; trust must outlive the flows); nullptr, the
// default, keeps manifests unsigned. One setting both flows share, since they share the update
// step and nothing else. With it, a manifest that is not accepted is a failed fetch, a file is
// current and a download good only when SHA-256 matches as well as SHA-1, a download stops past
// "size" bytes, and the manifest's version is recorded once its file is verified or found
// current.
void RequireSignedManifests(const UpdateTrust* trust);

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
