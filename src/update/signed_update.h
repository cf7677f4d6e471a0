#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "update/signed_manifest.h"
#include "update/update_trust.h"

namespace quillguard {

// What a signed manifest that passed every rule promises about its file.
struct AcceptedManifest {
    Sha256Digest sha256{};
    std::uint64_t size = 0;
    std::uint64_t version = 0;
};

// A manifest accepted, or why not, in the log's words: "signature", "server signed-for=URL",
// "path signed-for=PATH", "rollback version=N accepted=M" or "expired expires=TIME".
struct ManifestVerdict {
    std::optional<AcceptedManifest> accepted;
    std::string refusal;
};

// Accepts the manifest body served at path of the update server whose base URL is server only
// when one of trust's keys signed its statement, the statement names that server and path, its
// version is not below the one accepted before for them, and it has not expired at now. The
// caller counts a refusal as a failed fetch.
ManifestVerdict AcceptSignedManifest(const UpdateTrust& trust, std::string_view server,
                                     std::string_view path, std::string_view body,
                                     std::chrono::sys_seconds now);

}  // namespace quillguard
