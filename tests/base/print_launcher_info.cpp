// Test helper: writes what the launcher would learn about itself, GetLauncherPath() and
// GetForwardedArguments(), to standard output as UTF-16, each followed by a NUL.
#include <windows.h>

#include <string>

#include "base/forwarded_arguments.h"
#include "base/launcher_path.h"

int wmain() {
    std::wstring report = quillguard::GetLauncherPath();
    report.push_back(L'\0');
    report += quillguard::GetForwardedArguments();
    report.push_back(L'\0');
    const auto bytes = static_cast<DWORD>(report.size() * sizeof(wchar_t));
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), report.data(), bytes, &written,
                       nullptr) &&
                   written == bytes
               ? 0
               : 1;
}
