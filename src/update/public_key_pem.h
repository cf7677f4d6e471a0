#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillguard {

// A P-256 public key: the point X‖Y (big-endian, 32 bytes each) and its DER SubjectPublicKeyInfo,
// whose SHA-256 in lower-case hex is the key's fingerprint.
struct P256PublicKey {
    std::array<std::uint8_t, 64> point{};
    std::vector<std::uint8_t> der;
};

// Whether X‖Y is a point of P-256 (both coordinates below the prime, y² = x³ - 3x + b). A key
// off the curve is refused before any signature is checked against it.
bool IsOnP256Curve(std::span<const std::uint8_t, 64> point);

// Reads the DER SubjectPublicKeyInfo of an uncompressed P-256 key (id-ecPublicKey, prime256v1);
// std::nullopt for any other bytes, including a point off the curve.
std::optional<P256PublicKey> ReadPublicKeyDer(std::span<const std::uint8_t> der);

// Reads a PEM "PUBLIC KEY" block (lines of base64 between its BEGIN and END lines, LF or CRLF)
// holding such a key; std::nullopt for anything else.
std::optional<P256PublicKey> ReadPublicKeyPem(std::string_view pem);

}  // namespace quillguard
