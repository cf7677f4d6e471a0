#include "base/product_names.h"
#include "ui/eula_dialog.h"
#include "ui/eula_text.h"
#include "ui/win32_window_state.h"

namespace quillguard {
namespace {

// Sizes and centres the window in pixels at its DPI and puts the agreement in its box, with the
// focus on it so that the arrows and Page Down scroll it at once.
void OpenEulaDialog(HWND dialog) {
    const WindowRect rect =
        EulaWindowRect(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                       static_cast<int>(::GetDpiForWindow(dialog)));
    ::SetWindowPos(dialog, nullptr, rect.x, rect.y, rect.width, rect.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowTextW(dialog, kLauncherCaption);
    ::SetDlgItemTextW(dialog, IDC_EULA_TEXT, EulaText().data());
    ::SetFocus(::GetDlgItem(dialog, IDC_EULA_TEXT));
}

INT_PTR CALLBACK EulaDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        OpenEulaDialog(dialog);
        return FALSE;  // the focus is set; the dialog manager's own would select the whole text
    }
    if (message == WM_COMMAND) {
        const int command = LOWORD(wParam);
        // The dialog manager sends IDCANCEL for "Cancel", Esc and the close box alike.
        if (command == IDC_EULA_ACCEPT || command == IDCANCEL) {
            ::EndDialog(dialog, command);
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace

bool AskForAgreement() {
    // Modal: the dialog manager's own loop gives the keyboard its dialog meaning and keeps the
    // splash's messages flowing on this thread meanwhile.
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_EULA), nullptr,
                             EulaDialogProc, 0) == IDC_EULA_ACCEPT;
}

}  // namespace quillguard
