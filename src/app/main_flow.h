#pragma once

#include <string>

#include "app/launcher_error.h"

namespace quillguard {

inline constexpr wchar_t kLauncherCaption[] = L"QuillGuard Launcher";
inline constexpr wchar_t kAnotherInstanceText[] = L"Another instance is already running";
inline constexpr wchar_t kGameErrorCaption[] = L"Game Update Error";

enum class MessageIcon { Information, Error };

// The calls the main flow makes beyond its own logic; the launcher binds them to Win32 and tests
// bind them to fakes.
class LauncherShell {
  public:
    virtual ~LauncherShell() = default;

    // True when this process may go on: it holds the single-instance mutex, or the mutex could
    // not be created for a reason other than another launcher holding it.
    virtual bool AcquireInstanceMutex() = 0;
    // Releases the mutex if held; a second call does nothing.
    virtual void ReleaseInstanceMutex() = 0;
    // Shows a modal message box with an OK button and returns once it is dismissed.
    virtual void ShowMessage(const std::wstring& text, const std::wstring& caption,
                             MessageIcon icon) = 0;

    // Finds and starts the game; returns its code, or does not return after handing the launch
    // to an elevated copy of the launcher.
    virtual FlowResult RunGameFlow() = 0;
};

// Runs one start of the launcher and returns the process exit code: 0 when the run succeeded,
// 1 after any message box.
int RunMainFlow(LauncherShell& shell);

}  // namespace quillguard
