#include "update/self_update.h"

#include <cstdint>
#include <memory>
#include <optional>

#include "base/product_names.h"
#include "update/download_leftovers.h"
#include "update/elevated_update.h"
#include "update/file_retries.h"

namespace quillguard {
namespace {

// The launcher renamed aside is the image of the process that handed over until that process
// has ended, a moment after the new one started.
constexpr int kAsideRemovalAttempts = 50;
constexpr std::uint32_t kAsideRemovalRetryMs = 100;

std::wstring FolderOf(const std::wstring& launcherPath) {
    return launcherPath.substr(0, launcherPath.find_last_of(L'\\'));
}

void RemoveUpdateLeftovers(const std::wstring& launcherPath, FileSystem& files,
                           Processes& processes, LauncherLog& log) {
    files.RemoveFile(launcherPath + kStagedLauncherSuffix);
    std::uint32_t error = 0;
    for (int attempt = 1; !files.RemoveFile(launcherPath + kAsideLauncherSuffix, error);
         ++attempt) {
        // Only a file in use passes. One this process may not delete (an elevated update left
        // it) stays, and every start would wait for it in vain.
        if (error != kErrorSharingViolation || attempt == kAsideRemovalAttempts) {
            log.Record(FlowStep(LogStage::LeftoverKept, std::nullopt, error));
            break;
        }
        processes.Wait(kAsideRemovalRetryMs);
    }
    RemoveDownloadLeftovers(FolderOf(launcherPath), kLauncherDownloadPrefix, files);
}

// Puts the launcher renamed aside back at its name, over whatever is there. Should the move fail,
// a copy made under another name moves in instead: the launcher's name never holds a file being
// written. The next start removes the file aside.
void PutBack(const std::wstring& launcherPath, FileSystem& files, Processes& processes) {
    const std::wstring aside = launcherPath + kAsideLauncherSuffix;
    std::wstring copy;
    std::uint32_t error = 0;
    if (MoveRetrying(aside, launcherPath, files, processes) ||
        !files.CreateTemporaryFile(FolderOf(launcherPath), kLauncherDownloadPrefix, copy, error)) {
        return;
    }
    if (!files.CopyOver(aside, copy) || !FlushRetrying(copy, files, processes) ||
        !MoveRetrying(copy, launcherPath, files, processes)) {
        files.RemoveFile(copy);
    }
}

// Moves the verified download to the launcher's name. The build is copied beside the launcher
// and hashed again there, so that the file that will run is the file that was checked; then the
// running launcher is renamed aside and the copy moved in. Each step is one rename: a kill at any
// moment leaves the old launcher or the new one at the launcher's name, never a torn file. On
// failure the launcher's file is the old one and nothing is left beside it.
LauncherError SwapIn(const std::wstring& download, const std::wstring& launcherPath,
                     const UpdateCheck& check, const UpdateTrust* trust, FileSystem& files,
                     Processes& processes) {
    const std::wstring staged = launcherPath + kStagedLauncherSuffix;
    const std::wstring aside = launcherPath + kAsideLauncherSuffix;
    LauncherError code = kSuccess;
    if (!files.CopyOver(download, staged) || !FlushRetrying(staged, files, processes)) {
        code = kUpdateProcessFailed;
    } else if (!MatchesManifest(staged, check, trust)) {
        code = kLauncherChecksumMismatch;
    } else if (!MoveRetrying(launcherPath, aside, files, processes)) {
        code = kUpdateProcessFailed;
    } else if (!MoveRetrying(staged, launcherPath, files, processes)) {
        PutBack(launcherPath, files, processes);
        code = kUpdateProcessFailed;
    }
    if (code != kSuccess) {
        files.RemoveFile(staged);
    }
    return code;
}

// Starts the new launcher in this one's place and ends this process; 8, with the old launcher
// put back, when it cannot be started. A copy that updates alone starts nothing: the launcher
// that asked for it starts the new one, without elevation.
FlowResult HandOver(const LauncherFacts& self, FileSystem& files, Processes& processes,
                    InstanceLock& lock, LauncherLog& log) {
    log.Record(FlowStep(LogStage::HandOver));
    // Released first, so that the new launcher finds the lock free however fast it starts.
    lock.Release();
    if (!self.updateOnly && !processes.StartWithCommandLine(self.path, self.commandLine)) {
        PutBack(self.path, files, processes);
        return {kUpdateProcessFailed, 0};
    }
    processes.EndProcess(0);
    return {kSuccess, 0};
}

}  // namespace

FlowResult UpdateLauncher(const LauncherFacts& self, const std::wstring& baseUrl,
                          const UpdateTrust* trust, Downloads& downloads, FileSystem& files,
                          Processes& processes, InstanceLock& lock, LauncherLog& log) {
    if (self.path.empty()) {
        return {kNoTemporaryFile, 0};
    }
    RemoveUpdateLeftovers(self.path, files, processes, log);
    const std::unique_ptr<HttpSession> session = downloads.OpenSession();
    const UpdateSource source{*session, baseUrl, trust, log};
    const UpdateCheck check = CheckForUpdate(source, "/" + std::string(kLauncherManifestPath),
                                             self.path, kLauncherUpdateErrors);
    if (check.code != kSuccess || check.current) {
        return {check.code, 0};
    }
    // Beside the launcher, where the new build must go: making the download there first shows
    // whether this process may write there at all.
    std::wstring download;
    std::uint32_t error = 0;
    if (!files.CreateTemporaryFile(FolderOf(self.path), kLauncherDownloadPrefix, download, error)) {
        const FlowResult elevated =
            UpdateThroughElevatedCopy(self, error, kNoTemporaryFile, processes);
        // The copy moved the new build in: it starts as after an update of this process's own.
        return elevated.code == kSuccess ? HandOver(self, files, processes, lock, log) : elevated;
    }
    LauncherError code = DownloadVerified(source, check, download, kLauncherUpdateErrors);
    if (code == kSuccess) {
        code = SwapIn(download, self.path, check, trust, files, processes);
    }
    // Whatever happened, the download is not needed any more.
    files.RemoveFile(download);
    return code == kSuccess ? HandOver(self, files, processes, lock, log) : FlowResult{code, 0};
}

}  // namespace quillguard
