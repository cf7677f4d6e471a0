#include "ui/win32_user_interface.h"

#include <windows.h>

namespace quillguard {

unsigned MessageBoxStyle(MessageIcon icon) {
    const UINT iconStyle = icon == MessageIcon::Information ? MB_ICONINFORMATION : MB_ICONERROR;
    return MB_OK | iconStyle;
}

void Win32UserInterface::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                     MessageIcon icon) {
    ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MessageBoxStyle(icon));
}

}  // namespace quillguard
