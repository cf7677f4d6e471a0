#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "update/signed_manifest.h"
#include "update/update_trust.h"

namespace quillguard {

// What a signed manifest that passed every rule promises about its file.
struct AcceptedManifest {
    std::string path;  // where the manifest is served, as its statement names it
    Sha256Digest sha256{};
    std::uint64_t size = 0;
    std::uint64_t version = 0;
};

// The path part of an absolute URL ("/launcher/manifest.json" of
// "https://host:port/launcher/manifest.json"); std::nullopt when it has none or is not ASCII.
std::optional<std::string> UrlPath(const std::wstring& url);

// Accepts the manifest body served at path only when one of trust's keys signed its statement
// for that path, its version is not below the one accepted before for that path, and it has not
// expired at now (seconds since 1970). std::nullopt otherwise: the caller counts it as a failed
// fetch.
std::optional<AcceptedManifest> AcceptSignedManifest(const UpdateTrust& trust,
                                                     const std::string& path, std::string_view body,
                                                     std::int64_t now);

}  // namespace quillguard
