#pragma once

#include <string>

#include "base/instance_lock.h"
#include "base/launcher_error.h"
#include "base/launcher_facts.h"
#include "base/processes.h"

namespace quillguard {

// Added behind the forwarded arguments, so the game can tell it was started by the launcher.
inline constexpr wchar_t kLauncherSwitch[] = L"--quillguard-launcher";

// The game's command line: the quoted game path, the forwarded arguments, then the switch.
std::wstring BuildGameCommandLine(const std::wstring& gamePath,
                                  const std::wstring& forwardedArguments);

// Starts the game with the launcher's forwarded arguments and returns 0, or 20 with the system
// error. When Windows demands elevation and the launcher is not elevated, releases the lock and
// hands over to an elevated copy of the launcher (self.path, the same arguments) instead (the
// process then ends with 0), or returns 18 when the user declines, 19 on any other failure.
FlowResult LaunchGame(const std::wstring& gamePath, const LauncherFacts& self, Processes& processes,
                      InstanceLock& lock);

}  // namespace quillguard
