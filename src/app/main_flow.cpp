#include "app/main_flow.h"

namespace quillguard {

int RunMainFlow(LauncherShell& shell) {
    if (!shell.AcquireInstanceMutex()) {
        // No mutex is held on this path, so there is nothing to release.
        shell.ShowMessage(kAnotherInstanceText, kLauncherCaption, MessageIcon::Information);
        return 1;
    }
    const FlowResult game = shell.RunGameFlow();
    if (game.code != kSuccess) {
        shell.ShowMessage(LauncherErrorMessage(game.code, game.launchFailure), kGameErrorCaption,
                          MessageIcon::Error);
        shell.ReleaseInstanceMutex();
        return 1;
    }
    shell.ReleaseInstanceMutex();
    return 0;
}

}  // namespace quillguard
