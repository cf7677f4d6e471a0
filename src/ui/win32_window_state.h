#pragma once

#include <windows.h>

#include <array>
#include <atomic>

#include "ui/window_calls.h"
#include "ui/window_layout.h"

namespace quillguard {

// The class of both the splash and the EULA window.
inline constexpr wchar_t kWindowClass[] = L"QuillGuard";
// The one message the main thread posts to the window thread: build the EULA window.
inline constexpr UINT WM_SHOW_EULA = WM_USER + 1;

// What the main thread and the window thread share. The window thread writes uiThreadId before
// it sets readyEvent; the main thread reads it only after the wait. The fields that either thread
// may touch at any time are atomic.
struct WindowState {
    explicit WindowState(const WindowCalls& windowCalls) : calls(windowCalls) {}

    const WindowCalls calls;
    HANDLE readyEvent = nullptr;
    DWORD uiThreadId = 0;
    std::atomic<HWND> splashWindow{nullptr};
    std::atomic<HWND> eulaWindow{nullptr};
    std::atomic<HANDLE> eulaDoneEvent{nullptr};
    std::atomic<bool> eulaAccepted{false};
    // Used by the window thread alone.
    HBITMAP splashBitmap = nullptr;
    std::array<HWND, kEulaControlCount> eulaControls{};
};

// The splash window for the loaded bitmap, shown and painted; null when it cannot be made.
HWND CreateSplashWindow(WindowState& state);
LRESULT SplashWindowMessage(WindowState& state, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam);

// Builds and shows the EULA window; when it cannot be made, answers "not accepted" at once.
void CreateEulaWindow(WindowState& state);
LRESULT EulaWindowMessage(WindowState& state, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam);

// Stores the user's answer, then wakes the main thread; later answers are dropped.
void AnswerEula(WindowState& state, bool accepted);

}  // namespace quillguard
