#include "update/verified_update.h"

#include <chrono>
#include <cstdint>
#include <string>

#include "integrity/file_hashing.h"
#include "net/manifest.h"

namespace quillguard {
namespace {

const UpdateTrust* signedManifestTrust = nullptr;

std::int64_t SecondsSince1970() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void RecordAccepted(const UpdateCheck& check) {
    if (check.accepted) {
        signedManifestTrust->versions->Record(check.accepted->path, check.accepted->version);
    }
}

}  // namespace

void RequireSignedManifests(const UpdateTrust* trust) {
    signedManifestTrust = trust;
}

bool MatchesManifest(const std::filesystem::path& file, const UpdateCheck& check) {
    if (HashFile(file) != check.expected) {
        return false;
    }
    // SHA-1 alone admits chosen-prefix collisions: a signed manifest's file matches SHA-256 too.
    return !check.accepted ||
           signedManifestTrust->crypto->HashFileSha256(file.wstring()) == check.accepted->sha256;
}

UpdateCheck CheckForUpdate(HttpSession& session, const std::wstring& manifestUrl,
                           const std::filesystem::path& localFile, const UpdateErrors& errors) {
    UpdateCheck check;
    std::string body;
    if (!session.FetchString(manifestUrl, body)) {
        check.code = errors.fetchFailed;
        return check;
    }
    // Built with keys, a manifest that is not signed and accepted is a failed fetch, whatever
    // else it lacks: nothing in it can be believed.
    if (signedManifestTrust != nullptr) {
        const auto path = UrlPath(manifestUrl);
        if (path) {
            check.accepted =
                AcceptSignedManifest(*signedManifestTrust, *path, body, SecondsSince1970());
        }
        if (!check.accepted) {
            check.code = errors.fetchFailed;
            return check;
        }
    }
    const ManifestReading reading = ReadManifest(body);
    switch (reading.finding) {
        case ManifestFinding::Read:
            break;
        case ManifestFinding::NotOneJsonValue:
            // Nothing usable arrived, as when the fetch fails.
            check.code = errors.fetchFailed;
            return check;
        case ManifestFinding::NotAnObject:
        case ManifestFinding::NoUsableSha1:
            // A digest that cannot be compared is as good as none.
            check.code = errors.missingSha1;
            return check;
    }
    check.expected = reading.manifest.sha1;
    check.current = MatchesManifest(localFile, check);
    if (check.current) {
        RecordAccepted(check);
    } else {
        if (!reading.manifest.url) {
            check.code = errors.missingUrl;
            return check;
        }
        check.url = *reading.manifest.url;
    }
    return check;
}

LauncherError DownloadVerified(HttpSession& session, const UpdateCheck& check,
                               const std::wstring& target, const UpdateErrors& errors) {
    // A signed manifest's size bounds the download: a server cannot fill the disk.
    const std::uint64_t byteLimit = check.accepted ? check.accepted->size : kNoByteLimit;
    if (!session.DownloadToFile(check.url, target, byteLimit)) {
        return errors.downloadFailed;
    }
    if (!MatchesManifest(target, check)) {
        return errors.checksumMismatch;
    }
    RecordAccepted(check);
    return kSuccess;
}

}  // namespace quillguard
