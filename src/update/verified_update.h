#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/launcher_error.h"
#include "base/launcher_log.h"
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

// Where one flow's manifests come from and what it makes of them.
struct UpdateSource {
    HttpSession& session;
    std::wstring_view baseUrl;  // the update server, as the launcher was built for it
    // The launcher's trust when it is built with signing keys; nullptr: manifests are not signed.
    // With it, a manifest that is not accepted is a failed fetch, a file is current and a
    // download good only when SHA-256 matches as well as SHA-1, a download stops past "size"
    // bytes, and the manifest's version is recorded once its file is verified or found current.
    const UpdateTrust* trust;
    LauncherLog& log;  // hears of every refusal, with its reason
};

// What the server says of a local file.
struct UpdateCheck {
    // 0, or the fetch-failure code (the fetch failed, the body is not one JSON value, or signed
    // manifests are required and this one is not accepted), the missing-SHA-1 code (not an
    // object, or no usable "sha1") or, only when the file is not current, the missing-URL code.
    LauncherError code = kSuccess;
    bool current = false;  // the local file hashes to the manifest's digest
    Sha1Digest expected;   // the manifest's digest, when code is 0
    std::wstring url;      // where the new build is served, when code is 0 and not current
    std::string path;      // where the manifest is served under the base URL
    // What the signed manifest promises, when signed manifests are required and code is 0.
    std::optional<AcceptedManifest> accepted;
};

// Whether file is the build a successful check names: its SHA-1 and, for a signed manifest, its
// SHA-256 (through trust's crypto) match. A file that cannot be read does not match (unless the
// digest is forty "0").
bool MatchesManifest(const std::filesystem::path& file, const UpdateCheck& check,
                     const UpdateTrust* trust);

// Fetches and reads the manifest served at path (ASCII, e.g. "/launcher/manifest.json") under the
// source's base URL and compares its digest with the local file's (a missing or unreadable file
// hashes to all zero, so it is current only for forty "0" digits). "url" matters only when the
// file is not current.
UpdateCheck CheckForUpdate(const UpdateSource& source, std::string_view path,
                           const std::filesystem::path& localFile, const UpdateErrors& errors);

// Downloads the new build that a check named into target, a file of the caller's choosing, and
// verifies that it hashes to the expected digest. Returns 0, downloadFailed or checksumMismatch;
// on failure target may hold anything, and the caller removes it.
LauncherError DownloadVerified(const UpdateSource& source, const UpdateCheck& check,
                               const std::wstring& target, const UpdateErrors& errors);

}  // namespace quillguard
