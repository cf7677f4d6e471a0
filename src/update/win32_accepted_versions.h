#pragma once

#include "update/update_trust.h"

namespace quillguard {

// Where the accepted versions are kept: one REG_QWORD per manifest path under kRegistryKey,
// named "UpdateVersion " and the path (e.g. "UpdateVersion /launcher/manifest.json").
inline constexpr wchar_t kAcceptedVersionPrefix[] = L"UpdateVersion ";

// The accepted versions in this Windows user's registry. A value that is absent, of another type
// or size, or cannot be read counts as no record.
class Win32AcceptedVersions final : public AcceptedVersions {
  public:
    std::optional<std::uint64_t> Read(std::string_view path) override;
    void Record(std::string_view path, std::uint64_t version) override;
};

}  // namespace quillguard
