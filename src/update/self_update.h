#pragma once

#include <string>

#include "base/file_system.h"
#include "base/instance_lock.h"
#include "base/launcher_error.h"
#include "base/launcher_facts.h"
#include "base/launcher_log.h"
#include "base/processes.h"
#include "net/http_session.h"
#include "update/verified_update.h"

namespace quillguard {

// The download waits beside the launcher as "QGL<hex>.tmp".
inline constexpr wchar_t kLauncherDownloadPrefix[] = L"QGL";
// Beside the launcher during an update: the verified build before it moves in, and the launcher
// that was running, renamed aside (a running program can be renamed, never overwritten).
inline constexpr wchar_t kStagedLauncherSuffix[] = L".new";
inline constexpr wchar_t kAsideLauncherSuffix[] = L".old";
inline constexpr UpdateErrors kLauncherUpdateErrors{
    kLauncherManifestFetchFailed, kLauncherManifestMissingSha1, kLauncherManifestMissingUrl,
    kLauncherDownloadFailed, kLauncherChecksumMismatch};

// Keeps the launcher's own file (self.path) equal to the build the launcher manifest names, with
// a session of its own that is closed before this returns. First removes what an earlier update
// left. Returns 0 when the launcher is current, else 1 to 8 (or 18, 19 or a copy's code, below),
// leaving the launcher's file as it was and nothing beside it. When it is not current, the new
// build is downloaded beside the launcher, verified, copied, verified again and moved to the
// launcher's name; the download is removed, the lock released, and the launcher's file started
// with self.commandLine, after which the process ends with exit code 0 (this returns only in
// tests). A folder this launcher may not write goes to an elevated copy
// (UpdateThroughElevatedCopy) and, once that has done the update, to the same start. A copy that
// updates alone ends with 0 after the move, starting nothing. The log hears of the hand-over
// before the new launcher starts, and of a leftover that cannot be removed. trust: as
// UpdateSource takes it.
FlowResult UpdateLauncher(const LauncherFacts& self, const std::wstring& baseUrl,
                          const UpdateTrust* trust, Downloads& downloads, FileSystem& files,
                          Processes& processes, InstanceLock& lock, LauncherLog& log);

}  // namespace quillguard
