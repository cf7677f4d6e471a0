#include "update/win32_accepted_versions.h"

#include <windows.h>

#include "base/product_names.h"
#include "update/update_rules.h"

namespace quillguard {

std::optional<std::uint64_t> Win32AcceptedVersions::Read(std::string_view server,
                                                         std::string_view path) {
    std::uint64_t version = 0;
    DWORD size = sizeof(version);
    if (::RegGetValueW(HKEY_CURRENT_USER, kRegistryKey, AcceptedVersionName(server, path).c_str(),
                       RRF_RT_REG_QWORD, nullptr, &version, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return version;
}

void Win32AcceptedVersions::Record(std::string_view server, std::string_view path,
                                   std::uint64_t version) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kRegistryKey, AcceptedVersionName(server, path).c_str(),
                      REG_QWORD, &version, sizeof(version));
}

}  // namespace quillguard
