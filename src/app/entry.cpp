#include <windows.h>

#include "app/main_flow.h"
#include "app/win32_launcher_shell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    quillguard::Win32LauncherShell shell;
    return quillguard::RunMainFlow(shell);
}
