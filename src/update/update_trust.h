#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillguard {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The cryptography a signed update needs; the launcher takes it from Windows (CNG).
class UpdateCrypto {
  public:
    virtual ~UpdateCrypto() = default;

    // Whether signature (r‖s) is an ECDSA P-256 signature of SHA-256(message) by the key X‖Y;
    // false on any failure.
    virtual bool VerifySignature(const std::array<std::uint8_t, 64>& point,
                                 std::string_view message,
                                 const std::array<std::uint8_t, 64>& signature) = 0;
    // The SHA-256 of a file; std::nullopt when it cannot be read.
    virtual std::optional<Sha256Digest> HashFileSha256(const std::wstring& path) = 0;
};

// The highest manifest version this Windows user's launchers have accepted, per update server
// (its base URL) and manifest path: launchers of other servers never share a record.
class AcceptedVersions {
  public:
    virtual ~AcceptedVersions() = default;

    // The version recorded for the pair; nothing when none was recorded or it cannot be read.
    virtual std::optional<std::uint64_t> Read(std::string_view server, std::string_view path) = 0;
    // Records version for the pair; a failure leaves the record as it was.
    virtual void Record(std::string_view server, std::string_view path, std::uint64_t version) = 0;
};

// What a launcher built with signing keys trusts: manifests signed by one of keys (X‖Y points).
struct UpdateTrust {
    std::vector<std::array<std::uint8_t, 64>> keys;
    UpdateCrypto* crypto = nullptr;
    AcceptedVersions* versions = nullptr;
};

}  // namespace quillguard
