#include "game/game_launch.h"

namespace quillguard {
namespace {

// Hands the launch to an elevated copy of the launcher, which runs everything again.
FlowResult HandOverToElevatedLauncher(const std::wstring& forwardedArguments,
                                      GameProcessPlatform& platform) {
    const std::wstring launcherPath = platform.GetLauncherPath();
    // The copy must be able to take the single-instance mutex while this process still runs.
    platform.ReleaseInstanceMutex();
    std::uint32_t error = 0;
    if (platform.StartElevatedLauncher(launcherPath, forwardedArguments, error)) {
        platform.EndProcess(0);
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

FlowResult LaunchGame(const std::wstring& gamePath, GameProcessPlatform& platform) {
    const std::wstring forwardedArguments = platform.GetForwardedArguments();
    std::uint32_t error = 0;
    if (platform.StartGameProcess(BuildGameCommandLine(gamePath, forwardedArguments), error)) {
        return {kSuccess, 0};
    }
    const bool elevationMightHelp = error == kErrorElevationRequired || error == kErrorAccessDenied;
    if (!elevationMightHelp || platform.IsProcessElevated()) {
        return {kCreateProcessFailed, error};
    }
    return HandOverToElevatedLauncher(forwardedArguments, platform);
}

}  // namespace quillguard
