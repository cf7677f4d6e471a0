#include "ui/win32_eula_record.h"

#include <windows.h>

#include <array>

#include "base/product_names.h"

namespace quillguard {

bool Win32EulaRecord::IsAccepted() {
    std::array<std::uint8_t, 4> data{};
    DWORD size = static_cast<DWORD>(data.size());
    // Any type: the record's meaning is its four bytes (see RecordsAcceptance).
    const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, kRegistryKey, kEulaRecordValue,
                                          RRF_RT_ANY | RRF_NOEXPAND, nullptr, data.data(), &size);
    return RecordsAcceptance(status == ERROR_SUCCESS, data);
}

void Win32EulaRecord::RecordAcceptance() {
    const DWORD accepted = 1;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kRegistryKey, kEulaRecordValue, REG_DWORD, &accepted,
                      sizeof(accepted));
}

}  // namespace quillguard
