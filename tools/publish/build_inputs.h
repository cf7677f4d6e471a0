#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "integrity/sha1_digest.h"

namespace quillguard::publish {

// A digest read from an input file, or why there is none.
struct InputDigest {
    std::optional<Sha1Digest> digest;
    std::string problem;  // set when there is no digest
};

// The SHA-256 of a file and its size, as a signed manifest names them.
struct FileSha256 {
    std::array<std::uint8_t, 32> sha256{};
    std::uint64_t size = 0;

    bool operator==(const FileSha256&) const = default;
};

// Nothing when the file cannot be read or hashed.
std::optional<FileSha256> Sha256AndSize(const std::filesystem::path& path);

// The SHA-1 of the whole file.
InputDigest WholeFileDigest(const std::filesystem::path& path);

// The SHA-1 of a PE image's code section: the stub id of a game.
InputDigest CodeSectionDigest(const std::filesystem::path& path);

// The SHA-1 of a whole launcher build or client library, which must be a PE image with a code
// section: anything else given by mistake would replace the players' copies.
InputDigest BuildDigest(const std::filesystem::path& path);

// The stub id of a game, which must be a client target: the launcher asks for no other stub.
InputDigest StubId(const std::filesystem::path& path);

}  // namespace quillguard::publish
