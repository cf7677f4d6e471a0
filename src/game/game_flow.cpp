#include "game/game_flow.h"

#include <memory>

#include "game/client_library_update.h"
#include "game/client_target.h"
#include "game/game_launch.h"
#include "game/target_resolution.h"

namespace quillguard {

FlowResult RunGameFlow(const LauncherFacts& self, FileSystem& files, Processes& processes,
                       Downloads& downloads, const std::wstring& baseUrl, const UpdateTrust* trust,
                       LauncherLog& log, InstanceLock& lock) {
    GameTargets targets;
    const ClientTargetTest isClientTarget = [](const std::wstring& path) {
        return IsClientTarget(path);
    };
    if (const LauncherError code = ResolveGameTargets(self.path, files, isClientTarget, targets);
        code != kSuccess) {
        return {code, 0};
    }
    const std::unique_ptr<HttpSession> session = downloads.OpenSession();
    const UpdateSource source{*session, baseUrl, trust, log};
    const FlowResult library = UpdateClientLibrary(targets, self, source, files, processes);
    if (library.code != kSuccess || self.updateOnly) {
        return library;
    }
    return LaunchGame(targets.gamePath, self, processes, lock);
}

}  // namespace quillguard
