#pragma once

#include "update/update_trust.h"

namespace quillguard {

// Where the accepted versions are kept: one REG_QWORD per update server and manifest path under
// this key of HKEY_CURRENT_USER, named as AcceptedVersionName says.
inline constexpr wchar_t kAcceptedVersionsKey[] = L"SOFTWARE\\QuillGuard";

// The accepted versions in this Windows user's registry. A value that is absent, of another type,
// or cannot be read counts as no record.
class Win32AcceptedVersions final : public AcceptedVersions {
  public:
    std::optional<std::uint64_t> Read(std::string_view server, std::string_view path) override;
    void Record(std::string_view server, std::string_view path, std::uint64_t version) override;
};

}  // namespace quillguard
