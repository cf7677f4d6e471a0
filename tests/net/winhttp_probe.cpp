// Reports which winhttp.dll a process ended up with, to show where HttpClient binds it from.
//
//   qg_winhttp_probe.exe client   construct an HttpClient, then print winhttp.dll's path
//   qg_winhttp_probe.exe search   load winhttp.dll with the ordinary search, then print its path
#include <windows.h>

#include <cstdio>
#include <string>

#include "net/http_client.h"

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc == 2 ? argv[1] : L"";
    if (mode == L"client") {
        const quillguard::HttpClient client;
        if (client.lastError() != 0) {
            std::printf("the session did not open: %lu\n", client.lastError());
            return 1;
        }
    } else if (mode != L"search" || ::LoadLibraryW(L"winhttp.dll") == nullptr) {
        std::printf("usage: qg_winhttp_probe client|search; or LoadLibraryW failed: %lu\n",
                    ::GetLastError());
        return 2;
    }
    wchar_t path[MAX_PATH] = {};
    const HMODULE module = ::GetModuleHandleW(L"winhttp.dll");
    if (module == nullptr || ::GetModuleFileNameW(module, path, MAX_PATH) == 0) {
        std::puts("winhttp.dll is not loaded");
        return 1;
    }
    std::printf("%ls\n", path);
    return 0;
}
