#include "base/launcher_path.h"

#include <windows.h>

#include <cstdint>

namespace quillguard {

std::wstring GetLauncherPath() {
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

}  // namespace quillguard
