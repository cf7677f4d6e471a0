#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillguard::publish {

// A P-256 key pair: the secret scalar and the public point X‖Y, each big-endian.
struct SigningKey {
    std::array<std::uint8_t, 32> secret{};
    std::array<std::uint8_t, 64> point{};
};

// Reads a PEM "PRIVATE KEY" block (PKCS#8) holding an unencrypted P-256 key whose ECPrivateKey
// carries its public point, as OpenSSL and keygen write it; std::nullopt for anything else. A
// point that does not belong to the secret is caught when a signature made with it is checked.
std::optional<SigningKey> ReadSigningKeyPem(std::string_view pem);

// Reads a PEM "PUBLIC KEY" block (SubjectPublicKeyInfo) holding an uncompressed P-256 point, as
// OpenSSL and keygen write it; std::nullopt for anything else. A point off the curve is refused
// by the signature check that uses it.
std::optional<std::array<std::uint8_t, 64>> ReadPublicKeyPem(std::string_view pem);

// The PEM "PRIVATE KEY" block (PKCS#8) of a key pair, in OpenSSL's layout.
std::string SigningKeyPem(const SigningKey& key);

// The DER SubjectPublicKeyInfo of a public point, whose SHA-256 is the key's fingerprint.
std::vector<std::uint8_t> PublicKeyDer(std::span<const std::uint8_t, 64> point);

// The PEM "PUBLIC KEY" block of a public point.
std::string PublicKeyPem(std::span<const std::uint8_t, 64> point);

}  // namespace quillguard::publish
