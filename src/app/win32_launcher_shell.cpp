#include "app/win32_launcher_shell.h"

#include <windows.h>

#include "app/instance_mutex.h"
#include "game/game_flow.h"
#include "game/win32_game_platform.h"

namespace quillguard {

bool Win32LauncherShell::AcquireInstanceMutex() {
    return quillguard::AcquireInstanceMutex();
}

void Win32LauncherShell::ReleaseInstanceMutex() {
    quillguard::ReleaseInstanceMutex();
}

void Win32LauncherShell::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                     MessageIcon icon) {
    const UINT style = icon == MessageIcon::Information ? MB_ICONINFORMATION : MB_ICONERROR;
    ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | style);
}

FlowResult Win32LauncherShell::RunGameFlow() {
    Win32GamePlatform platform;
    return quillguard::RunGameFlow(platform, platform);
}

}  // namespace quillguard
