#include "update/verified_update.h"

#include <chrono>
#include <cstdint>
#include <string>

#include "integrity/file_hashing.h"
#include "net/manifest.h"

namespace quillguard {
namespace {

std::wstring Widened(std::string_view text) {
    std::wstring wide;
    for (const char c : text) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return wide;
}

// The base URL as the statement and the record name it; empty when it is not ASCII, which no
// statement can name.
std::string Narrowed(std::wstring_view text) {
    std::string narrow;
    for (const wchar_t c : text) {
        if (c < 0x20 || c >= 0x7F) {
            return {};
        }
        narrow.push_back(static_cast<char>(c));
    }
    return narrow;
}

void Refuse(const UpdateSource& source, std::string_view path, std::string_view reason) {
    const std::wstring widePath = Widened(path);
    LogEntry entry = FlowStep(LogStage::Refused);
    entry.url = widePath;
    entry.reason = reason;
    source.log.Record(entry);
}

void RecordAccepted(const UpdateSource& source, const UpdateCheck& check) {
    if (check.accepted) {
        source.trust->versions->Record(Narrowed(source.baseUrl), check.path,
                                       check.accepted->version);
    }
}

}  // namespace

bool MatchesManifest(const std::filesystem::path& file, const UpdateCheck& check,
                     const UpdateTrust* trust) {
    if (HashFile(file) != check.expected) {
        return false;
    }
    // SHA-1 alone admits chosen-prefix collisions: a signed manifest's file matches SHA-256 too.
    return !check.accepted ||
           trust->crypto->HashFileSha256(file.wstring()) == check.accepted->sha256;
}

UpdateCheck CheckForUpdate(const UpdateSource& source, std::string_view path,
                           const std::filesystem::path& localFile, const UpdateErrors& errors) {
    UpdateCheck check;
    check.path = path;
    std::string body;
    if (!source.session.FetchString(std::wstring(source.baseUrl) + Widened(path), body)) {
        check.code = errors.fetchFailed;
        return check;
    }
    // Built with keys, a manifest that is not signed and accepted is a failed fetch, whatever
    // else it lacks: nothing in it can be believed.
    if (source.trust != nullptr) {
        const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        ManifestVerdict verdict =
            AcceptSignedManifest(*source.trust, Narrowed(source.baseUrl), path, body, now);
        if (!verdict.accepted) {
            Refuse(source, path, verdict.refusal);
            check.code = errors.fetchFailed;
            return check;
        }
        check.accepted = verdict.accepted;
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
    check.current = MatchesManifest(localFile, check, source.trust);
    if (check.current) {
        RecordAccepted(source, check);
    } else {
        if (!reading.manifest.url) {
            check.code = errors.missingUrl;
            return check;
        }
        check.url = *reading.manifest.url;
    }
    return check;
}

LauncherError DownloadVerified(const UpdateSource& source, const UpdateCheck& check,
                               const std::wstring& target, const UpdateErrors& errors) {
    // A signed manifest's size bounds the download: a server cannot fill the disk.
    const std::uint64_t byteLimit = check.accepted ? check.accepted->size : kNoByteLimit;
    if (!source.session.DownloadToFile(check.url, target, byteLimit)) {
        return errors.downloadFailed;
    }
    if (!MatchesManifest(target, check, source.trust)) {
        Refuse(source, check.path, "digest");
        return errors.checksumMismatch;
    }
    RecordAccepted(source, check);
    return kSuccess;
}

}  // namespace quillguard
