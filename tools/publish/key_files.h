#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "publish/signing_key.h"

namespace quillguard::publish {

inline constexpr char kPrivateKeyFileName[] = "signing-key.pem";
inline constexpr char kPublicKeyFileName[] = "signing-key.pub.pem";

// Makes a new P-256 key pair in folder (created if missing): kPrivateKeyFileName, readable by its
// owner only, and kPublicKeyFileName. Refuses, writing nothing, when either file is there already:
// a key that launchers trust is never replaced by accident. Names the files and the public key's
// fingerprint on out; returns 0, or 1 after a problem named on err.
int MakeKeyPair(const std::filesystem::path& folder, std::ostream& out, std::ostream& err);

// A key read from a file, or why it cannot be used.
struct LoadedKey {
    std::optional<SigningKey> key;
    std::string problem;
};

// Reads the private key a publication is signed with, and checks that it signs what its public
// key verifies.
LoadedKey LoadSigningKey(const std::filesystem::path& path);

// Reads a public key file: the point of the P-256 key in its PEM "PUBLIC KEY" block, or nothing.
std::optional<std::array<std::uint8_t, 64>> LoadPublicKey(const std::filesystem::path& path);

// A public key's fingerprint as launchers name it: the lower-case hex SHA-256 of its DER
// SubjectPublicKeyInfo; empty when the hash fails.
std::string Fingerprint(std::span<const std::uint8_t, 64> point);

}  // namespace quillguard::publish
