#pragma once

#include <cstdint>
#include <string>

#include "app/launcher_error.h"

namespace quillguard {

// Added behind the forwarded arguments, so the game can tell it was started by the launcher.
inline constexpr wchar_t kLauncherSwitch[] = L"--quillguard-launcher";

inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorElevationRequired = 740;
inline constexpr std::uint32_t kErrorCancelled = 1223;

// The process calls of the game launch; the launcher binds them to Win32, tests to fakes that
// play every answer Windows can give.
class GameProcessPlatform {
  public:
    virtual ~GameProcessPlatform() = default;

    virtual std::wstring GetLauncherPath() = 0;
    virtual std::wstring GetForwardedArguments() = 0;
    // Starts the game with this command line (new console, the launcher's environment and
    // current folder) without waiting for it; false with the system error code on failure.
    virtual bool StartGameProcess(const std::wstring& commandLine, std::uint32_t& error) = 0;
    virtual bool IsProcessElevated() = 0;
    virtual void ReleaseInstanceMutex() = 0;
    // Starts the launcher again through the elevation prompt ("runas") with these parameters,
    // none when empty; false with the system error code on failure.
    virtual bool StartElevatedLauncher(const std::wstring& launcherPath,
                                       const std::wstring& parameters, std::uint32_t& error) = 0;
    // Ends the process at once with this exit code; returns only in tests.
    virtual void EndProcess(std::uint32_t exitCode) = 0;
};

// The game's command line: the quoted game path, the forwarded arguments, then the switch.
std::wstring BuildGameCommandLine(const std::wstring& gamePath,
                                  const std::wstring& forwardedArguments);

// Starts the game and returns 0, or 20 with the system error. When Windows demands elevation and
// the launcher is not elevated, hands over to an elevated copy of the launcher instead (the
// process then ends with 0), or returns 18 when the user declines, 19 on any other failure.
FlowResult LaunchGame(const std::wstring& gamePath, GameProcessPlatform& platform);

}  // namespace quillguard
