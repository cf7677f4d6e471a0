#pragma once

#include <windows.h>

#include <atomic>

#include "ui/window_layout.h"

namespace quillguard {

// The splash window's class.
inline constexpr wchar_t kWindowClass[] = L"QuillGuard";
// The one message the main thread posts to the window thread: ask for the agreement.
inline constexpr UINT WM_SHOW_EULA = WM_USER + 1;

// What the main thread and the window thread share. The window thread writes uiThreadId before
// it sets readyEvent; the main thread reads it only after the wait. The fields that either thread
// may touch at any time are atomic.
struct WindowState {
    HANDLE readyEvent = nullptr;
    DWORD uiThreadId = 0;
    std::atomic<HWND> splashWindow{nullptr};
    std::atomic<HANDLE> eulaDoneEvent{nullptr};
    std::atomic<bool> eulaAccepted{false};
    // Used by the window thread alone.
    HBITMAP splashBitmap = nullptr;
};

// The splash window for the loaded bitmap, shown and painted; null when it cannot be made.
HWND CreateSplashWindow(WindowState& state);
LRESULT SplashWindowMessage(WindowState& state, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam);

// Runs the EULA dialog until the user answers: true for "I Accept"; false for "Cancel", Esc, the
// close box, and when the dialog cannot be made.
bool AskForAgreement();

}  // namespace quillguard
