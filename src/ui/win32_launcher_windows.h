#pragma once

#include <memory>

#include "base/unique_handle.h"
#include "ui/launcher_windows.h"

namespace quillguard {

struct WindowState;

// The splash and the EULA window on a window thread of their own. The thread runs until the
// process ends; it keeps the state it shares with this object alive for as long.
class Win32LauncherWindows final : public LauncherWindows {
  public:
    Win32LauncherWindows();
    ~Win32LauncherWindows() override;
    Win32LauncherWindows(const Win32LauncherWindows&) = delete;
    Win32LauncherWindows& operator=(const Win32LauncherWindows&) = delete;

    void StartSplashThread() override;
    void ShowSplash() override;
    void HideSplash() override;
    void CloseSplash() override;
    bool RunEulaDialog() override;

  private:
    std::shared_ptr<WindowState> state_;
    // Kept, unlike a fire-and-forget thread, so that a wait on the thread ends when it is gone.
    UniqueKernelHandle thread_;
};

}  // namespace quillguard
