#pragma once

#include <functional>

#include "base/instance_lock.h"
#include "base/launcher_error.h"
#include "base/launcher_log.h"
#include "base/product_names.h"
#include "ui/eula_record.h"
#include "ui/launcher_windows.h"
#include "ui/user_interface.h"

namespace quillguard {

inline constexpr wchar_t kInstanceLockName[] = L"QuillGuardLauncherMutex";
inline constexpr wchar_t kAnotherInstanceText[] = L"Another instance is already running";
inline constexpr wchar_t kLauncherUpdateErrorCaption[] = L"Launcher Update Error";
inline constexpr wchar_t kGameErrorCaption[] = L"Game Update Error";

// The stages the main flow runs in order once it holds the instance lock. A stage that may end
// the process receives the lock, to let a successor take it first.
struct MainFlowStages {
    // Brings the launcher's own file up to date; returns its code, or does not return after
    // handing over to the new launcher.
    std::function<FlowResult(InstanceLock&)> updateLauncher;
    // Finds and starts the game; returns its code, or does not return after handing the launch
    // to an elevated copy of the launcher.
    std::function<FlowResult(InstanceLock&)> runGameFlow;
};

// Runs one start of the launcher and returns the process exit code: 0 when the run succeeded,
// 1 after any message box or when the agreement was not accepted. The lock is released on every
// path that returns. The log hears of the start, each stage's code and the exit code.
int RunMainFlow(InstanceLock& lock, UserInterface& ui, LauncherWindows& windows, EulaRecord& eula,
                const MainFlowStages& stages, LauncherLog& log);

// The run of a copy started for the update alone (kUpdateOnlySwitch): the same stages, which then
// start nothing, without the instance lock (the launcher that started it holds it and waits for
// it), a window, the agreement or a message box. Returns the first failing stage's code, or 0.
int RunUpdateOnly(InstanceLock& lock, const MainFlowStages& stages, LauncherLog& log);

}  // namespace quillguard
