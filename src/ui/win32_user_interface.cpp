#include "ui/win32_user_interface.h"

#include <windows.h>

namespace quillguard {

void Win32UserInterface::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                     MessageIcon icon) {
    const UINT style = icon == MessageIcon::Information ? MB_ICONINFORMATION : MB_ICONERROR;
    ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | style);
}

}  // namespace quillguard
