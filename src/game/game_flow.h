#pragma once

#include "app/launcher_error.h"
#include "game/game_file_system.h"
#include "game/game_launch.h"

namespace quillguard {

// The game flow: finds the game and its client target from the launcher's own path, then starts
// the game. Returns 0 once the game is started, else the first stage's error code.
FlowResult RunGameFlow(GameFileSystem& files, GameProcessPlatform& processes);

}  // namespace quillguard
