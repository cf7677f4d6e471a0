#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "update/update_trust.h"

namespace quillguard::testing {

using Bytes64 = std::array<std::uint8_t, 64>;

// Signatures that only the key and the exact message make: the key's X and the message's hash.
class FakeUpdateCrypto final : public UpdateCrypto {
  public:
    static Bytes64 Sign(const Bytes64& key, std::string_view message) {
        Bytes64 signature{};
        std::copy_n(key.begin(), 32, signature.begin());
        const std::size_t hash = std::hash<std::string_view>()(message);
        std::memcpy(signature.data() + 32, &hash, sizeof hash);
        return signature;
    }
    bool VerifySignature(const Bytes64& key, std::string_view message,
                         const Bytes64& signature) override {
        return signature == Sign(key, message);
    }
    std::optional<Sha256Digest> HashFileSha256(const std::wstring&) override {
        return std::nullopt;
    }
};

// The versions accepted before, by server and path; Record changes nothing.
class FakeAcceptedVersions final : public AcceptedVersions {
  public:
    std::map<std::pair<std::string, std::string>, std::uint64_t> records;

    std::optional<std::uint64_t> Read(std::string_view server, std::string_view path) override {
        const auto found = records.find({std::string(server), std::string(path)});
        return found == records.end() ? std::nullopt : std::optional(found->second);
    }
    void Record(std::string_view, std::string_view, std::uint64_t) override {}
};

}  // namespace quillguard::testing
