#include "game/game_flow.h"

#include "game/target_resolution.h"

namespace quillguard {

FlowResult RunGameFlow(GameFileSystem& files, GameProcessPlatform& processes) {
    GameTargets targets;
    if (const LauncherError code = ResolveGameTargets(processes.GetLauncherPath(), files, targets);
        code != kSuccess) {
        return {code, 0};
    }
    return LaunchGame(targets.gamePath, processes);
}

}  // namespace quillguard
