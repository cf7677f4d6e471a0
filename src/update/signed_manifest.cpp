#include "update/signed_manifest.h"

#include <algorithm>
#include <array>
#include <string>

#include "base/base64.h"
#include "base/hex.h"
#include "net/strict_json.h"

namespace quillguard {
namespace {

std::optional<std::string> StringMember(const nlohmann::json& document, const char* name) {
    const auto found = document.find(name);
    if (found == document.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

std::optional<std::uint64_t> CountMember(const nlohmann::json& document, const char* name) {
    const auto found = document.find(name);
    // A negative or fractional number is not a count; the library reads "1.0" as a float.
    if (found == document.end() || !found->is_number_unsigned()) {
        return std::nullopt;
    }
    return found->get<std::uint64_t>();
}

}  // namespace

std::optional<SignedManifest> ReadSignedManifest(std::string_view body) {
    const std::optional<nlohmann::json> parsed = ParseStrictJson(body);
    if (!parsed) {
        return std::nullopt;
    }
    const nlohmann::json& document = *parsed;
    if (!document.is_object()) {
        return std::nullopt;
    }
    const auto server = StringMember(document, "server");
    const auto path = StringMember(document, "path");
    const auto sha1 = StringMember(document, "sha1");
    const auto sha256 = StringMember(document, "sha256");
    const auto url = StringMember(document, "url");
    const auto signature = StringMember(document, "signature");
    const auto size = CountMember(document, "size");
    const auto version = CountMember(document, "version");
    SignedManifest manifest;
    std::array<std::uint8_t, 20> sha1Bytes;
    if (!server || !path || !sha1 || !ReadHex(*sha1, sha1Bytes) || !sha256 ||
        !ReadHex(*sha256, manifest.sha256) || !url || !signature || !size || !version) {
        return std::nullopt;
    }
    const auto signatureBytes = DecodeBase64(*signature);
    if (!signatureBytes || signatureBytes->size() != 64) {
        return std::nullopt;
    }
    if (document.contains("expires")) {
        manifest.members.expires = StringMember(document, "expires");
        if (!manifest.members.expires) {
            return std::nullopt;
        }
    }
    manifest.members.server = *server;
    manifest.members.path = *path;
    manifest.members.sha1 = *sha1;
    manifest.members.sha256 = *sha256;
    manifest.members.size = *size;
    manifest.members.version = *version;
    manifest.members.url = *url;
    std::copy(signatureBytes->begin(), signatureBytes->end(), manifest.signature.begin());
    return manifest;
}

}  // namespace quillguard
