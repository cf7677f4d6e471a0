#pragma once

#include <cstdint>
#include <span>

namespace quillguard {

// The per-user record of the agreement: value "EULA" under kRegistryKey.
inline constexpr wchar_t kEulaRecordValue[] = L"EULA";

// Whether the user accepted the agreement, as the registry records it.
class EulaRecord {
  public:
    virtual ~EulaRecord() = default;

    // True only when the record says accepted; a record that cannot be read says not accepted.
    virtual bool IsAccepted() = 0;

    // Records acceptance as the REG_DWORD 1, best effort: when the key cannot be written, the user
    // is asked again at the next start.
    virtual void RecordAcceptance() = 0;
};

// What a query of the value into four bytes preset to zero means: accepted exactly when the query
// succeeded and the bytes, little-endian, read 1. The type is not looked at, so a one-byte binary
// 1 counts while the string "1" (0x31) does not; a value longer than four bytes fails the query.
bool RecordsAcceptance(bool querySucceeded, std::span<const std::uint8_t, 4> data);

}  // namespace quillguard
