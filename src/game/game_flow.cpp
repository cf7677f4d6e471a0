#include "game/game_flow.h"

#include "game/client_target.h"
#include "game/game_launch.h"
#include "game/target_resolution.h"

namespace quillguard {

FlowResult RunGameFlow(FileSystem& files, Processes& processes, InstanceLock& lock) {
    GameTargets targets;
    const ClientTargetTest isClientTarget = [](const std::wstring& path) {
        return IsClientTarget(path);
    };
    if (const LauncherError code =
            ResolveGameTargets(processes.GetLauncherPath(), files, isClientTarget, targets);
        code != kSuccess) {
        return {code, 0};
    }
    return LaunchGame(targets.gamePath, processes, lock);
}

}  // namespace quillguard
