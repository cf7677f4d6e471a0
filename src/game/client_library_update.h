#pragma once

#include <cstdint>
#include <string>

#include "base/file_system.h"
#include "base/launcher_error.h"
#include "base/launcher_facts.h"
#include "base/processes.h"
#include "game/target_resolution.h"
#include "integrity/sha1_digest.h"
#include "net/http_session.h"
#include "update/verified_update.h"

namespace quillguard {

// A download in progress is named "QGC<hex>.tmp" beside the library: never a client-target
// candidate, and recognisable as a leftover of an interrupted run.
inline constexpr wchar_t kLibraryDownloadPrefix[] = L"QGC";
inline constexpr std::uint32_t kCurrentLibraryPauseMs = 300;
inline constexpr UpdateErrors kStubUpdateErrors{kStubManifestFetchFailed, kStubManifestMissingSha1,
                                                kStubManifestMissingUrl, kStubDownloadFailed,
                                                kStubChecksumMismatch};

// Where the stub manifest of a client target is served below the base URL: "stub/", the
// lower-case hex of its code section's digest, "/manifest.json".
std::string StubManifestPath(const Sha1Digest& stubDigest);

// Makes the client library in the launcher's folder the one the stub manifest names. A current
// library is left alone and followed by a pause of kCurrentLibraryPauseMs. Otherwise the new
// build is downloaded beside it under a temporary name, verified, and moved over it in one step,
// so the installed library is always either the old one or the verified new one; a scanner that
// holds the library delays the move for a moment. Returns 0, or 12 to 16; no temporary file is
// left behind, and leftovers of an interrupted run are removed. A folder this launcher (self) may
// not write goes to an elevated copy (UpdateThroughElevatedCopy: 18, 19 or the copy's code on
// failure); once that has done the update, the library is checked again, without a second
// prompt.
FlowResult UpdateClientLibrary(const GameTargets& targets, const LauncherFacts& self,
                               const UpdateSource& source, FileSystem& files, Processes& processes);

}  // namespace quillguard
