#include "update/signed_manifest.h"

#include <algorithm>
#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "base/base64.h"

namespace quillguard {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsHex(const std::string& text, std::size_t length) {
    return text.size() == length &&
           std::all_of(text.begin(), text.end(), [](char c) { return HexValue(c) >= 0; });
}

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
    if (body.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(body.begin(), body.end(), nullptr, true, false);
    } catch (const std::exception&) {
        return std::nullopt;
    }
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
    if (!server || !path || !sha1 || !IsHex(*sha1, 40) || !sha256 || !IsHex(*sha256, 64) || !url ||
        !signature || !size || !version) {
        return std::nullopt;
    }
    const auto signatureBytes = DecodeBase64(*signature);
    if (!signatureBytes || signatureBytes->size() != 64) {
        return std::nullopt;
    }
    SignedManifest manifest;
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
    for (std::size_t i = 0; i < manifest.sha256.size(); ++i) {
        manifest.sha256[i] = static_cast<std::uint8_t>(HexValue((*sha256)[2 * i]) * 16 +
                                                       HexValue((*sha256)[2 * i + 1]));
    }
    std::copy(signatureBytes->begin(), signatureBytes->end(), manifest.signature.begin());
    return manifest;
}

}  // namespace quillguard
