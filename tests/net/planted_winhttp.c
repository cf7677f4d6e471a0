/* A stand-in for a winhttp.dll that someone placed beside the launcher: loading it creates the
   file named by QG_PLANTED_MARKER, so a test can tell whether it was ever loaded. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t marker[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"QG_PLANTED_MARKER", marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, NULL);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
            }
        }
    }
    return TRUE;
}
