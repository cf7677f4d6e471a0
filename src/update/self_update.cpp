#include "update/self_update.h"

#include <cstdint>
#include <memory>

#include "base/product_names.h"
#include "update/download_leftovers.h"

namespace quillguard {
namespace {

// A scanner that opens a new file holds it for a moment; a move that meets it waits this many
// times this long before it counts as failed.
constexpr int kMoveAttempts = 20;
constexpr std::uint32_t kMoveRetryMs = 100;
// The launcher renamed aside is the image of the process that handed over until that process
// has ended, a moment after the new one started.
constexpr int kAsideRemovalAttempts = 50;
constexpr std::uint32_t kAsideRemovalRetryMs = 100;

bool MoveRetrying(const std::wstring& from, const std::wstring& to, FileSystem& files,
                  Processes& processes) {
    for (int attempt = 1;; ++attempt) {
        std::uint32_t error = 0;
        if (files.MoveReplacing(from, to, error)) {
            return true;
        }
        if (error != kErrorSharingViolation || attempt == kMoveAttempts) {
            return false;
        }
        processes.Wait(kMoveRetryMs);
    }
}

void RemoveUpdateLeftovers(const std::wstring& launcherPath, FileSystem& files,
                           Processes& processes) {
    if (!launcherPath.empty()) {
        files.RemoveFile(launcherPath + kStagedLauncherSuffix);
        for (int attempt = 1; !files.RemoveFile(launcherPath + kAsideLauncherSuffix) &&
                              attempt < kAsideRemovalAttempts;
             ++attempt) {
            processes.Wait(kAsideRemovalRetryMs);
        }
    }
    if (std::wstring temporaryFolder; files.GetTemporaryFolder(temporaryFolder)) {
        RemoveDownloadLeftovers(temporaryFolder, kLauncherDownloadPrefix, files);
    }
}

// Puts the launcher renamed aside back at its name, over whatever is there. Should the move fail,
// a copy serves: the player keeps a launcher that runs either way, and the next start removes
// the file aside.
void PutBack(const std::wstring& aside, const std::wstring& launcherPath, FileSystem& files,
             Processes& processes) {
    if (!MoveRetrying(aside, launcherPath, files, processes) &&
        files.CopyOver(aside, launcherPath) && files.FlushToDisk(launcherPath)) {
        files.RemoveFile(aside);
    }
}

// Moves the verified download to the launcher's name. The build is copied beside the launcher
// and hashed again there, so that the file that will run is the file that was checked, and no
// other process can swap it in between as it could in the temporary folder; then the running
// launcher is renamed aside and the copy moved in. Each step is one rename: a kill at any moment
// leaves the old launcher or the new one at the launcher's name, never a torn file. On failure
// the launcher's file is the old one and nothing is left beside it.
LauncherError SwapIn(const std::wstring& download, const std::wstring& launcherPath,
                     const UpdateCheck& check, FileSystem& files, Processes& processes) {
    const std::wstring staged = launcherPath + kStagedLauncherSuffix;
    const std::wstring aside = launcherPath + kAsideLauncherSuffix;
    LauncherError code = kSuccess;
    if (!files.CopyOver(download, staged) || !files.FlushToDisk(staged)) {
        code = kUpdateProcessFailed;
    } else if (!MatchesManifest(staged, check)) {
        code = kLauncherChecksumMismatch;
    } else if (!MoveRetrying(launcherPath, aside, files, processes)) {
        code = kUpdateProcessFailed;
    } else if (!MoveRetrying(staged, launcherPath, files, processes)) {
        PutBack(aside, launcherPath, files, processes);
        code = kUpdateProcessFailed;
    }
    if (code != kSuccess) {
        files.RemoveFile(staged);
    }
    return code;
}

// Starts the new launcher in this one's place and ends this process; 8, with the old launcher
// put back, when it cannot be started.
LauncherError HandOver(const std::wstring& launcherPath, FileSystem& files, Processes& processes,
                       InstanceLock& lock, LauncherLog& log) {
    log.Record(FlowStep(LogStage::HandOver));
    // Released first, so that the new launcher finds the lock free however fast it starts.
    lock.Release();
    if (!processes.StartWithOwnCommandLine(launcherPath)) {
        PutBack(launcherPath + kAsideLauncherSuffix, launcherPath, files, processes);
        return kUpdateProcessFailed;
    }
    processes.EndProcess(0);
    return kSuccess;
}

}  // namespace

LauncherError UpdateLauncher(const std::wstring& baseUrl, Downloads& downloads, FileSystem& files,
                             Processes& processes, InstanceLock& lock, LauncherLog& log) {
    const std::wstring launcherPath = processes.GetLauncherPath();
    RemoveUpdateLeftovers(launcherPath, files, processes);
    const std::unique_ptr<HttpSession> session = downloads.OpenSession();
    const UpdateCheck check = CheckForUpdate(
        *session,
        baseUrl + L"/" + std::wstring(kLauncherManifestPath.begin(), kLauncherManifestPath.end()),
        launcherPath, kLauncherUpdateErrors);
    if (check.code != kSuccess || check.current) {
        return check.code;
    }
    std::wstring temporaryFolder;
    if (!files.GetTemporaryFolder(temporaryFolder)) {
        return kNoTemporaryPath;
    }
    std::wstring download;
    if (!files.CreateTemporaryFile(temporaryFolder, kLauncherDownloadPrefix, download)) {
        return kNoTemporaryFile;
    }
    LauncherError code = DownloadVerified(*session, check, download, kLauncherUpdateErrors);
    if (code == kSuccess) {
        code = SwapIn(download, launcherPath, check, files, processes);
    }
    // Whatever happened, the download is not needed any more.
    files.RemoveFile(download);
    return code == kSuccess ? HandOver(launcherPath, files, processes, lock, log) : code;
}

}  // namespace quillguard
