#include "base/product_names.h"
#include "ui/win32_window_state.h"

namespace quillguard {
namespace {

// The controls at the window's DPI: the sizes are given at 96 DPI and grow with the monitor's.
void PlaceEulaControls(const WindowState& state, int dpi) {
    for (std::size_t i = 0; i < kEulaControlCount; ++i) {
        const WindowRect rect = ScaledRect(EulaControls()[i].rect, dpi);
        ::MoveWindow(state.eulaControls[i], rect.x, rect.y, rect.width, rect.height, TRUE);
    }
}

}  // namespace

void AnswerEula(WindowState& state, bool accepted) {
    state.eulaAccepted = accepted;
    if (const HANDLE done = state.eulaDoneEvent.exchange(nullptr)) {
        ::SetEvent(done);
    }
}

void CreateEulaWindow(WindowState& state) {
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WindowRect rect = EulaWindowRect(screenWidth, screenHeight, kDefaultDpi);
    const HWND window = state.calls.CreateWindowExW(
        WS_EX_DLGMODALFRAME, kWindowClass, kLauncherCaption, WS_CAPTION | WS_SYSMENU, rect.x,
        rect.y, rect.width, rect.height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        // Nobody can be asked, so the agreement is not accepted.
        AnswerEula(state, false);
        return;
    }
    state.eulaWindow = window;
    // The window's DPI is known once it exists, on the monitor it was placed on.
    const int dpi = static_cast<int>(::GetDpiForWindow(window));
    if (dpi != kDefaultDpi) {
        rect = EulaWindowRect(screenWidth, screenHeight, dpi);
        ::SetWindowPos(window, nullptr, rect.x, rect.y, rect.width, rect.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const auto font = reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT));
    for (std::size_t i = 0; i < kEulaControlCount; ++i) {
        const EulaControl& control = EulaControls()[i];
        const WindowRect place = ScaledRect(control.rect, dpi);
        state.eulaControls[i] = state.calls.CreateWindowExW(
            control.exStyle, control.className, control.text, control.style, place.x, place.y,
            place.width, place.height, window, nullptr, instance, nullptr);
        ::SendMessageW(state.eulaControls[i], WM_SETFONT, font, TRUE);
    }
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
}

LRESULT EulaWindowMessage(WindowState& state, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            // Told apart by handle, not by id: both buttons have id 0. A missing button (null)
            // never matches, so a command without a control cannot answer.
            const auto from = reinterpret_cast<HWND>(lParam);
            const HWND accept = state.eulaControls[kAcceptControl];
            const HWND cancel = state.eulaControls[kCancelControl];
            if (from == nullptr || (from != accept && from != cancel)) {
                break;
            }
            AnswerEula(state, from == accept);
            ::DestroyWindow(window);
            return 0;
        }
        case WM_CLOSE:
            // The close box, Close in the system menu and Alt+F4.
            AnswerEula(state, false);
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            state.eulaWindow = nullptr;
            state.eulaControls = {};
            return 0;
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(window, nullptr, suggested->left, suggested->top,
                           suggested->right - suggested->left, suggested->bottom - suggested->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            PlaceEulaControls(state, HIWORD(wParam));
            return 0;
        }
        default:
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quillguard
