#pragma once

#include "base/file_system.h"
#include "base/instance_lock.h"
#include "base/launcher_error.h"
#include "base/processes.h"

namespace quillguard {

// The game flow: finds the game and its client target from the launcher's own path, then starts
// the game. Returns 0 once the game is started, else the first stage's error code; does not
// return after handing the launch to an elevated copy (the lock is released first).
FlowResult RunGameFlow(FileSystem& files, Processes& processes, InstanceLock& lock);

}  // namespace quillguard
