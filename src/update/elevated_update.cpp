#include "update/elevated_update.h"

namespace quillguard {

FlowResult UpdateThroughElevatedCopy(const LauncherFacts& self, std::uint32_t writeError,
                                     LauncherError ownCode, Processes& processes) {
    if (self.updateOnly || writeError != kErrorAccessDenied || processes.IsProcessElevated()) {
        return {ownCode, 0};
    }
    // The switch alone: the copy trusts nothing it is handed, not even the player's arguments.
    std::uint32_t exitCode = 0;
    std::uint32_t error = 0;
    if (!processes.RunElevated(self.path, kUpdateOnlySwitch, kElevatedUpdateWaitMs, exitCode,
                               error)) {
        return error == kErrorCancelled ? FlowResult{kElevationRefused, 0}
                                        : FlowResult{kElevatedLaunchFailed, error};
    }
    if (exitCode == 0) {
        return {kSuccess, 0};
    }
    const bool reported = exitCode <= static_cast<std::uint32_t>(kCreateProcessFailed);
    return {reported ? LauncherError{exitCode} : ownCode, 0};
}

}  // namespace quillguard
