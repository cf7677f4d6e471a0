#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "publish/signing_key.h"

// The cryptography of the publisher tool: OpenSSL's libcrypto on Linux, CNG on Windows.
namespace quillguard::publish {

using Sha256 = std::array<std::uint8_t, 32>;
using Signature = std::array<std::uint8_t, 64>;  // r‖s, big-endian

// SHA-256 of bytes given piece by piece.
class Sha256Stream {
  public:
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    // False once the library failed; Finish then gives nothing.
    bool Update(std::span<const std::uint8_t> bytes);
    std::optional<Sha256> Finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// A new P-256 key pair from the system's random source; nothing on failure.
std::optional<SigningKey> GenerateSigningKey();

// The ECDSA P-256 signature of SHA-256(message) by key; nothing when the key is refused.
std::optional<Signature> SignMessage(const SigningKey& key, std::string_view message);

// Whether signature is key's ECDSA P-256 signature of SHA-256(message); false on any failure.
bool VerifyMessage(std::span<const std::uint8_t, 64> point, std::string_view message,
                   const Signature& signature);

}  // namespace quillguard::publish
