#pragma once

#include <string>

#include "base/file_system.h"
#include "base/launcher_error.h"
#include "base/launcher_log.h"
#include "base/processes.h"
#include "net/http_session.h"
#include "update/verified_update.h"

namespace quillguard {

inline constexpr wchar_t kLauncherManifestPath[] = L"/launcher/manifest.json";
// The download waits in the user's temporary folder as "QGL<hex>.tmp".
inline constexpr wchar_t kLauncherDownloadPrefix[] = L"QGL";
inline constexpr UpdateErrors kLauncherUpdateErrors{
    kLauncherManifestFetchFailed, kLauncherManifestMissingSha1, kLauncherManifestMissingUrl,
    kLauncherDownloadFailed, kLauncherChecksumMismatch};

// Keeps the launcher's own file equal to the build the launcher manifest names, with a session
// of its own that is closed before this returns. Returns 0 when the launcher is current, else 1
// to 8, leaving the launcher unchanged and no download behind. When it is not current, the new
// build is downloaded to a temporary file and verified, and the replace command takes over: the
// process then ends with exit code 0 (this returns only in tests), still holding the instance
// lock, and the command restarts the launcher about two seconds later. Reports 8 instead when the
// launcher's file or folder cannot be written, where the command's copy would fail unseen. The
// log hears of the hand-over before the process ends.
LauncherError UpdateLauncher(const std::wstring& baseUrl, Downloads& downloads, FileSystem& files,
                             Processes& processes, LauncherLog& log);

}  // namespace quillguard
