#include "game/game_launch.h"

#include <optional>

namespace quillguard {
namespace {

// Hands the launch to an elevated copy of the launcher, which runs everything again.
FlowResult HandOverToElevatedLauncher(const std::wstring& forwardedArguments, Processes& processes,
                                      InstanceLock& lock) {
    const std::wstring launcherPath = processes.GetLauncherPath();
    // The copy must be able to take the instance lock while this process still runs.
    lock.Release();
    const auto parameters =
        forwardedArguments.empty() ? std::nullopt : std::optional<std::wstring>(forwardedArguments);
    std::uint32_t error = 0;
    if (processes.StartElevated(launcherPath, parameters, error)) {
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

FlowResult LaunchGame(const std::wstring& gamePath, Processes& processes, InstanceLock& lock) {
    const std::wstring forwardedArguments = processes.GetForwardedArguments();
    std::uint32_t error = 0;
    if (processes.StartProcess(BuildGameCommandLine(gamePath, forwardedArguments), error)) {
        return {kSuccess, 0};
    }
    const bool elevationMightHelp = error == kErrorElevationRequired || error == kErrorAccessDenied;
    if (!elevationMightHelp || processes.IsProcessElevated()) {
        return {kCreateProcessFailed, error};
    }
    return HandOverToElevatedLauncher(forwardedArguments, processes, lock);
}

}  // namespace quillguard
