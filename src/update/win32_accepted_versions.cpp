#include "update/win32_accepted_versions.h"

#include <windows.h>

#include <string>

#include "base/product_names.h"
#include "base/unique_handle.h"

namespace quillguard {
namespace {

// Paths are ASCII (the manifest statement refuses anything else), so widening is exact.
std::wstring ValueName(std::string_view path) {
    return kAcceptedVersionPrefix + std::wstring(path.begin(), path.end());
}

}  // namespace

std::optional<std::uint64_t> Win32AcceptedVersions::Read(std::string_view path) {
    UniqueRegistryKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRegistryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::uint64_t version = 0;
    DWORD type = 0;
    DWORD size = sizeof(version);
    if (::RegQueryValueExW(key.get(), ValueName(path).c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(&version), &size) != ERROR_SUCCESS ||
        type != REG_QWORD || size != sizeof(version)) {
        return std::nullopt;
    }
    return version;
}

void Win32AcceptedVersions::Record(std::string_view path, std::uint64_t version) {
    UniqueRegistryKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    ::RegSetValueExW(key.get(), ValueName(path).c_str(), 0, REG_QWORD,
                     reinterpret_cast<const BYTE*>(&version), sizeof(version));
}

}  // namespace quillguard
