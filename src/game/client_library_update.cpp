#include "game/client_library_update.h"

#include "base/product_names.h"
#include "integrity/file_hashing.h"
#include "update/download_leftovers.h"

namespace quillguard {

std::wstring StubManifestUrl(const std::wstring& baseUrl, const Sha1Digest& stubDigest) {
    return baseUrl + L"/stub/" + Sha1ToHex(stubDigest) + L"/manifest.json";
}

LauncherError UpdateClientLibrary(const GameTargets& targets, const std::wstring& baseUrl,
                                  HttpSession& session, FileSystem& files, Processes& processes) {
    const std::wstring libraryPath =
        targets.launcherDir + L"\\" +
        std::wstring(kClientLibraryName.begin(), kClientLibraryName.end());
    RemoveDownloadLeftovers(targets.launcherDir, kLibraryDownloadPrefix, files);

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
    std::uint32_t moveError = 0;
    if (code == kSuccess && !files.MoveReplacing(download, libraryPath, moveError)) {
        code = kStubDownloadFailed;
    }
    if (code != kSuccess) {
        files.RemoveFile(download);
    }
    return code;
}

}  // namespace quillguard
