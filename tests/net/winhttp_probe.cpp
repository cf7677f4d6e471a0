// Reports which winhttp.dll a process ended up with, to show where HttpClient binds it from.
//
//   qg_winhttp_probe.exe client   construct an HttpClient, then print winhttp.dll's path
//   qg_winhttp_probe.exe search   load winhttp.dll with the ordinary search, then print its path
#include <windows.h>

#include <cstdio>
#include <string>

#include "net/http_client.h"

namespace {

int PrintModulePath() {
    const HMODULE module = ::GetModuleHandleW(L"winhttp.dll");
    if (module == nullptr) {
        std::puts("winhttp.dll is not loaded");
        return 1;
    }
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(module, path, MAX_PATH);
    std::printf("%ls\n", path);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc == 2 ? argv[1] : L"";
    if (mode == L"client") {
        quillguard::HttpClient client;
        if (client.lastError() != 0) {
            std::printf("the session did not open: %lu\n", client.lastError());
            return 1;
        }
        return PrintModulePath();
    }
    if (mode == L"search") {
        if (::LoadLibraryW(L"winhttp.dll") == nullptr) {
            std::printf("LoadLibraryW failed: %lu\n", ::GetLastError());
            return 1;
        }
        return PrintModulePath();
    }
    std::fputs("usage: qg_winhttp_probe client|search\n", stderr);
    return 2;
}
