#include <windows.h>

#include "app/main_flow.h"
#include "app/win32_launcher_shell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The game folder is often writable by the player and the launcher may run elevated: every
    // DLL loaded from here on, by the launcher or by the system libraries it calls (themes for the
    // message boxes among them), comes from the system folder, never from beside the launcher.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    quillguard::Win32LauncherShell shell;
    return quillguard::RunMainFlow(shell);
}
