#include "app/main_flow.h"

#include "app/launcher_error_message.h"

namespace quillguard {

int RunMainFlow(InstanceLock& lock, UserInterface& ui, const MainFlowStages& stages) {
    if (!lock.Acquire()) {
        // No lock is held on this path, so there is nothing to release.
        ui.ShowMessage(kAnotherInstanceText, kLauncherCaption, MessageIcon::Information);
        return 1;
    }
    // The game flow runs only with a launcher the server calls current.
    if (const LauncherError code = stages.updateLauncher(); code != kSuccess) {
        ui.ShowMessage(LauncherErrorMessage(code, 0), kLauncherUpdateErrorCaption,
                       MessageIcon::Error);
        lock.Release();
        return 1;
    }
    const FlowResult game = stages.runGameFlow(lock);
    if (game.code != kSuccess) {
        ui.ShowMessage(LauncherErrorMessage(game.code, game.launchFailure), kGameErrorCaption,
                       MessageIcon::Error);
        lock.Release();
        return 1;
    }
    lock.Release();
    return 0;
}

}  // namespace quillguard
