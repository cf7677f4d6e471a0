#pragma once

#include <string>

#include "base/file_system.h"
#include "base/instance_lock.h"
#include "base/launcher_error.h"
#include "base/launcher_facts.h"
#include "base/launcher_log.h"
#include "base/processes.h"
#include "net/http_session.h"
#include "update/update_trust.h"

namespace quillguard {

// The game flow: finds the game and its client target from the launcher's own path, makes the
// client library the one the update server at baseUrl names, then starts the game (a copy that
// updates alone, self.updateOnly, starts none). Returns 0 once the game is started, else the
// first stage's error code; does not return after handing the launch to an elevated copy (the
// lock is released first). Its one HTTP session lasts until it returns. trust and log: as
// UpdateSource takes them.
FlowResult RunGameFlow(const LauncherFacts& self, FileSystem& files, Processes& processes,
                       Downloads& downloads, const std::wstring& baseUrl, const UpdateTrust* trust,
                       LauncherLog& log, InstanceLock& lock);

}  // namespace quillguard
