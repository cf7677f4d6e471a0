#pragma once

#include <string>

#include "base/launcher_error.h"

namespace quillguard {

// The text shown for a code: fixed for 0 to 18, with launchFailure in decimal for 19 and 20,
// and "An unknown error occurred." for anything above 20. Never fails.
std::wstring LauncherErrorMessage(LauncherError code, LaunchFailure launchFailure);

}  // namespace quillguard
