#include "ui/win32_eula_record.h"

#include <windows.h>

#include <array>

#include "base/product_names.h"
#include "base/unique_handle.h"

namespace quillguard {

bool Win32EulaRecord::IsAccepted() {
    UniqueRegistryKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRegistryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    std::array<std::uint8_t, 4> data{};
    DWORD size = static_cast<DWORD>(data.size());
    const LSTATUS status =
        ::RegQueryValueExW(key.get(), kEulaRecordValue, nullptr, nullptr, data.data(), &size);
    return RecordsAcceptance(status == ERROR_SUCCESS, data);
}

void Win32EulaRecord::RecordAcceptance() {
    UniqueRegistryKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    const DWORD accepted = 1;
    ::RegSetValueExW(key.get(), kEulaRecordValue, 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&accepted), sizeof(accepted));
}

}  // namespace quillguard
