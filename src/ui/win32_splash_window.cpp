#include "base/unique_handle.h"
#include "ui/win32_window_state.h"

namespace quillguard {

HWND CreateSplashWindow(WindowState& state) {
    BITMAP picture{};
    if (::GetObjectW(state.splashBitmap, sizeof(picture), &picture) == 0) {
        return nullptr;
    }
    const WindowRect rect =
        CentredOnScreen(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                        picture.bmWidth, picture.bmHeight);
    const HWND window = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClass, nullptr,
                                          WS_POPUP, rect.x, rect.y, rect.width, rect.height,
                                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) {
        state.splashWindow = window;
        ::ShowWindow(window, SW_SHOW);
        ::UpdateWindow(window);
    }
    return window;
}

LRESULT SplashWindowMessage(WindowState& state, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint{};
        const HDC target = ::BeginPaint(window, &paint);
        BITMAP picture{};
        const UniqueMemoryDc source(::CreateCompatibleDC(target));
        if (source && ::GetObjectW(state.splashBitmap, sizeof(picture), &picture) != 0) {
            const HGDIOBJ previous = ::SelectObject(source.get(), state.splashBitmap);
            // Pixel for pixel at the picture's own size: never stretched, whatever the DPI.
            ::BitBlt(target, 0, 0, picture.bmWidth, picture.bmHeight, source.get(), 0, 0, SRCCOPY);
            ::SelectObject(source.get(), previous);
        }
        ::EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
        // The class has no cursor, so the splash sets the arrow itself.
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quillguard
