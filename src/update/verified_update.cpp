#include "update/verified_update.h"

#include <string>

#include "integrity/file_hashing.h"
#include "net/manifest.h"

namespace quillguard {

UpdateCheck CheckForUpdate(HttpSession& session, const std::wstring& manifestUrl,
                           const std::filesystem::path& localFile, const UpdateErrors& errors) {
    UpdateCheck check;
    std::string body;
    if (!session.FetchString(manifestUrl, body)) {
        check.code = errors.fetchFailed;
        return check;
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
    check.current = HashFile(localFile) == check.expected;
    if (!check.current) {
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
    if (!session.DownloadToFile(check.url, target, ProgressCallback())) {
        return errors.downloadFailed;
    }
    return HashFile(target) == check.expected ? kSuccess : errors.checksumMismatch;
}

}  // namespace quillguard
