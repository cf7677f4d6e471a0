#include "game/game_launch.h"

#include <optional>

namespace quillguard {
namespace {

// Hands the launch to an elevated copy of the launcher, which runs everything again.
FlowResult HandOverToElevatedLauncher(const LauncherFacts& self, Processes& processes,
                                      InstanceLock& lock) {
    // The copy must be able to take the instance lock while this process still runs.
    lock.Release();
    const auto parameters = self.forwardedArguments.empty()
                                ? std::nullopt
                                : std::optional<std::wstring>(self.forwardedArguments);
    std::uint32_t error = 0;
    if (processes.StartElevated(self.path, parameters, error)) {
        processes.EndProcess(0);
        return {kSuccess, 0};
    }
    if (error == kErrorCancelled) {
        return {kElevationRefused, 0};
    }
    return {kElevatedLaunchFailed, error};
}

}  // namespace

std::wstring BuildGameCommandLine(const std::wstring& gamePath,
                                  const std::wstring& forwardedArguments) {
    std::wstring commandLine = L"\"" + gamePath + L"\" " + forwardedArguments;
    if (!forwardedArguments.empty()) {
        commandLine += L' ';
    }
    return commandLine + kLauncherSwitch;
}

FlowResult LaunchGame(const std::wstring& gamePath, const LauncherFacts& self, Processes& processes,
                      InstanceLock& lock) {
    std::uint32_t error = 0;
    if (processes.StartProcess(BuildGameCommandLine(gamePath, self.forwardedArguments), error)) {
        return {kSuccess, 0};
    }
    const bool elevationMightHelp = error == kErrorElevationRequired || error == kErrorAccessDenied;
    if (!elevationMightHelp || processes.IsProcessElevated()) {
        return {kCreateProcessFailed, error};
    }
    return HandOverToElevatedLauncher(self, processes, lock);
}

}  // namespace quillguard
