#include "game/client_library_update.h"

#include <vector>

#include "integrity/file_hashing.h"

namespace quillguard {
namespace {

bool IsDownloadLeftover(const FolderEntry& entry) {
    const std::wstring_view name = entry.name;
    return (entry.attributes & kFileAttributeDirectory) == 0 &&
           name.starts_with(kLibraryDownloadPrefix) && name.ends_with(L".tmp");
}

// A run killed in the middle of a download leaves its temporary file; the next one removes it.
void RemoveDownloadLeftovers(const std::wstring& folder, FileSystem& files) {
    std::vector<FolderEntry> entries;
    if (!files.ListFolder(folder, entries)) {
        return;
    }
    for (const FolderEntry& entry : entries) {
        if (IsDownloadLeftover(entry)) {
            files.RemoveFile(folder + L"\\" + entry.name);
        }
    }
}

}  // namespace

std::wstring StubManifestUrl(const std::wstring& baseUrl, const Sha1Digest& stubDigest) {
    return baseUrl + L"/stub/" + Sha1ToHex(stubDigest) + L"/manifest.json";
}

LauncherError UpdateClientLibrary(const GameTargets& targets, const std::wstring& baseUrl,
                                  HttpSession& session, FileSystem& files, Processes& processes) {
    const std::wstring libraryPath = targets.launcherDir + L"\\" + kClientLibraryFileName;
    RemoveDownloadLeftovers(targets.launcherDir, files);

    const std::wstring manifestUrl = StubManifestUrl(baseUrl, HashCodeSection(targets.targetPath));
    const UpdateCheck check = CheckForUpdate(session, manifestUrl, libraryPath, kStubUpdateErrors);
    if (check.code != kSuccess) {
        return check.code;
    }
    if (check.current) {
        processes.Wait(kCurrentLibraryPauseMs);
        return kSuccess;
    }

    // Never written in place: a failed or wrong download must not leave a torn library, and a
    // library that a running game has loaded cannot be replaced, only refused (15).
    std::wstring download;
    if (!files.CreateTemporaryFile(targets.launcherDir, kLibraryDownloadPrefix, download)) {
        return kStubDownloadFailed;
    }
    LauncherError code = DownloadVerified(session, check, download, kStubUpdateErrors);
    if (code == kSuccess && !files.MoveReplacing(download, libraryPath)) {
        code = kStubDownloadFailed;
    }
    if (code != kSuccess) {
        files.RemoveFile(download);
    }
    return code;
}

}  // namespace quillguard
