#include "game/client_library_update.h"

#include "base/hex.h"
#include "base/product_names.h"
#include "integrity/file_hashing.h"
#include "update/download_leftovers.h"
#include "update/elevated_update.h"
#include "update/file_retries.h"

namespace quillguard {

std::string StubManifestPath(const Sha1Digest& stubDigest) {
    return std::string(kStubFolder) + "/" + HexOf(stubDigest.bytes) + "/" +
           std::string(kManifestFileName);
}

FlowResult UpdateClientLibrary(const GameTargets& targets, const LauncherFacts& self,
                               const UpdateSource& source, FileSystem& files,
                               Processes& processes) {
    const std::wstring libraryPath =
        targets.launcherDir + L"\\" +
        std::wstring(kClientLibraryName.begin(), kClientLibraryName.end());
    RemoveDownloadLeftovers(targets.launcherDir, kLibraryDownloadPrefix, files);

    const std::string manifestPath = "/" + StubManifestPath(HashCodeSection(targets.targetPath));
    const UpdateCheck check = CheckForUpdate(source, manifestPath, libraryPath, kStubUpdateErrors);
    if (check.code != kSuccess) {
        return {check.code, 0};
    }
    if (check.current) {
        processes.Wait(kCurrentLibraryPauseMs);
        return {kSuccess, 0};
    }

    // Never written in place: a failed or wrong download must not leave a torn library, and a
    // library that a running game has loaded cannot be replaced, only refused (15).
    std::wstring download;
    std::uint32_t error = 0;
    if (!files.CreateTemporaryFile(targets.launcherDir, kLibraryDownloadPrefix, download, error)) {
        const FlowResult elevated =
            UpdateThroughElevatedCopy(self, error, kStubDownloadFailed, processes);
        if (elevated.code != kSuccess) {
            return elevated;
        }
        const UpdateCheck again =
            CheckForUpdate(source, manifestPath, libraryPath, kStubUpdateErrors);
        return {again.code != kSuccess ? again.code
                : again.current        ? kSuccess
                                       : kStubDownloadFailed,
                0};
    }
    LauncherError code = DownloadVerified(source, check, download, kStubUpdateErrors);
    if (code == kSuccess && !MoveRetrying(download, libraryPath, files, processes)) {
        code = kStubDownloadFailed;
    }
    if (code != kSuccess) {
        files.RemoveFile(download);
    }
    return {code, 0};
}

}  // namespace quillguard
