#pragma once

namespace quillguard {

// The launcher's own windows, the splash picture and the EULA window, which live on a thread of
// their own so that they keep painting while the main thread blocks on downloads.
class LauncherWindows {
  public:
    virtual ~LauncherWindows() = default;

    // Starts the window thread and returns once it is ready, showing the splash when there is a
    // picture for it. When the thread cannot start, the launcher goes on without windows.
    virtual void StartSplashThread() = 0;

    // Show or hide the splash; nothing when there is none or it was closed.
    virtual void ShowSplash() = 0;
    virtual void HideSplash() = 0;

    // Hides the splash for good, so that a message box is not covered by it.
    virtual void CloseSplash() = 0;

    // Shows the EULA window and blocks until the user answers: true for "I Accept". False for
    // "Cancel", closing the window, and when there is no way to ask (no window thread, or no
    // window).
    virtual bool RunEulaDialog() = 0;
};

}  // namespace quillguard
