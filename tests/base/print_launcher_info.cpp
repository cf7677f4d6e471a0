// Test helper: writes what the launcher would learn about itself, its path and forwarded
// arguments, to standard output as UTF-16, each followed by a NUL.
#include <windows.h>

#include <string>

#include "base/win32_launcher_facts.h"

int wmain() {
    const quillguard::LauncherFacts self = quillguard::ReadLauncherFacts();
    std::wstring report = self.path;
    report.push_back(L'\0');
    report += self.forwardedArguments;
    report.push_back(L'\0');
    const auto bytes = static_cast<DWORD>(report.size() * sizeof(wchar_t));
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), report.data(), bytes, &written,
                       nullptr) &&
                   written == bytes
               ? 0
               : 1;
}
