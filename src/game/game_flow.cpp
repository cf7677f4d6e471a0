#include "game/game_flow.h"

#include <memory>

#include "game/client_library_update.h"
#include "game/client_target.h"
#include "game/game_launch.h"
#include "game/target_resolution.h"

namespace quillguard {

FlowResult RunGameFlow(FileSystem& files, Processes& processes, Downloads& downloads,
                       const std::wstring& baseUrl, const UpdateTrust* trust, LauncherLog& log,
                       InstanceLock& lock) {
    GameTargets targets;
    const ClientTargetTest isClientTarget = [](const std::wstring& path) {
        return IsClientTarget(path);
    };
    if (const LauncherError code =
            ResolveGameTargets(processes.GetLauncherPath(), files, isClientTarget, targets);
        code != kSuccess) {
        return {code, 0};
    }
    const std::unique_ptr<HttpSession> session = downloads.OpenSession();
    const UpdateSource source{*session, baseUrl, trust, log};
    if (const LauncherError code = UpdateClientLibrary(targets, source, files, processes);
        code != kSuccess) {
        return {code, 0};
    }
    return LaunchGame(targets.gamePath, processes, lock);
}

}  // namespace quillguard
