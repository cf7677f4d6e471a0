#include "app/main_flow.h"

namespace quillguard {

int RunMainFlow(LauncherShell& shell) {
    if (!shell.AcquireInstanceMutex()) {
        // No mutex is held on this path, so there is nothing to release.
        shell.ShowMessage(kAnotherInstanceText, kLauncherCaption, MessageIcon::Information);
        return 1;
    }
    shell.ReleaseInstanceMutex();
    return 0;
}

}  // namespace quillguard
