#pragma once

#include "update/update_trust.h"

namespace quillguard {

// The accepted versions in this Windows user's registry: one REG_QWORD per update server and
// manifest path under kRegistryKey, named as AcceptedVersionName says. A value that is absent, of
// another type, or cannot be read counts as no record.
class Win32AcceptedVersions final : public AcceptedVersions {
  public:
    std::optional<std::uint64_t> Read(std::string_view server, std::string_view path) override;
    void Record(std::string_view server, std::string_view path, std::uint64_t version) override;
};

}  // namespace quillguard
