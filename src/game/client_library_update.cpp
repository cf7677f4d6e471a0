#include "game/client_library_update.h"

#include "base/hex.h"
#include "base/product_names.h"
#include "integrity/file_hashing.h"
#include "update/download_leftovers.h"

namespace quillguard {

std::string StubManifestPath(const Sha1Digest& stubDigest) {
    return "/stub/" + HexOf(stubDigest.bytes) + "/manifest.json";
}

LauncherError UpdateClientLibrary(const GameTargets& targets, const UpdateSource& source,
                                  FileSystem& files, Processes& processes) {
    const std::wstring libraryPath =
        targets.launcherDir + L"\\" +
        std::wstring(kClientLibraryName.begin(), kClientLibraryName.end());
    RemoveDownloadLeftovers(targets.launcherDir, kLibraryDownloadPrefix, files);

    const UpdateCheck check =
        CheckForUpdate(source, StubManifestPath(HashCodeSection(targets.targetPath)), libraryPath,
                       kStubUpdateErrors);
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
    LauncherError code = DownloadVerified(source, check, download, kStubUpdateErrors);
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
