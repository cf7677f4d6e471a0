#pragma once

#include "update/update_trust.h"

namespace quillguard {

// Signature checks and SHA-256 through CNG (bcrypt.dll, a system DLL).
class Win32UpdateCrypto final : public UpdateCrypto {
  public:
    bool VerifySignature(const std::array<std::uint8_t, 64>& point, std::string_view message,
                         const std::array<std::uint8_t, 64>& signature) override;
    std::optional<Sha256Digest> HashFileSha256(const std::wstring& path) override;
};

}  // namespace quillguard
