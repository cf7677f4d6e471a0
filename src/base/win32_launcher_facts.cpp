#include "base/win32_launcher_facts.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/unique_handle.h"

namespace quillguard {
namespace {

std::wstring ReadOwnPath() {
    std::uint32_t size = MAX_PATH;
    for (;;) {
        std::wstring buffer(size, L'\0');
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        // The path was cut off at the buffer's end; the system's longest path ends the doubling.
        size *= 2;
    }
}

}  // namespace

LauncherFacts ReadLauncherFacts() {
    const wchar_t* commandLine = ::GetCommandLineW();
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(commandLine, &count);
    const UniqueLocalMemory argumentsOwner(arguments);
    // A command line that cannot be split forwards nothing.
    const std::span<const wchar_t* const> split(
        arguments, arguments == nullptr ? 0 : static_cast<std::size_t>(count));
    return MakeLauncherFacts(ReadOwnPath(), commandLine, split);
}

}  // namespace quillguard
