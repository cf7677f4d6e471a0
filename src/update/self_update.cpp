#include "update/self_update.h"

#include <memory>

#include "update/replace_command.h"

namespace quillguard {
namespace {

// The replace command's copy needs a launcher file that is not read-only in a folder that can
// be written (an install under Program Files run without elevation cannot): found out here, it
// is an error the player sees instead of a launcher that exits and never comes back.
bool CanReplace(const std::wstring& launcherPath, FileSystem& files) {
    const std::uint32_t attributes = files.ReadFileAttributes(launcherPath);
    const std::size_t slash = launcherPath.rfind(L'\\');
    if (attributes == kInvalidFileAttributes ||
        (attributes & (kFileAttributeReadOnly | kFileAttributeDirectory)) != 0 ||
        slash == std::wstring::npos) {
        return false;
    }
    std::wstring probe;
    if (!files.CreateTemporaryFile(launcherPath.substr(0, slash), kLauncherDownloadPrefix, probe)) {
        return false;
    }
    files.RemoveFile(probe);
    return true;
}

// Starts the replace command and ends the launcher; 8 when the command cannot do its work.
LauncherError HandOver(const std::wstring& download, const std::wstring& launcherPath,
                       FileSystem& files, Processes& processes) {
    const std::wstring systemFolder = processes.GetSystemFolder();
    if (systemFolder.empty() || !CanReplace(launcherPath, files)) {
        return kUpdateProcessFailed;
    }
    const std::wstring command = BuildReplaceCommand(
        download, launcherPath, processes.GetForwardedArguments(), systemFolder);
    if (!StartReplaceCommand(command, systemFolder, processes)) {
        return kUpdateProcessFailed;
    }
    // The instance lock goes with the process: the restarted launcher asks for it only after the
    // command's wait.
    processes.EndProcess(0);
    return kSuccess;
}

}  // namespace

LauncherError UpdateLauncher(const std::wstring& baseUrl, Downloads& downloads, FileSystem& files,
                             Processes& processes, LauncherLog& log) {
    const std::unique_ptr<HttpSession> session = downloads.OpenSession();
    const std::wstring launcherPath = processes.GetLauncherPath();
    const UpdateCheck check = CheckForUpdate(*session, baseUrl + kLauncherManifestPath,
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
        log.Record(FlowStep(LogStage::HandOver));
        code = HandOver(download, launcherPath, files, processes);
    }
    // A failed update leaves no download behind, whatever step failed.
    if (code != kSuccess) {
        files.RemoveFile(download);
    }
    return code;
}

}  // namespace quillguard
