#include "update/signed_update.h"

#include <algorithm>

#include "update/update_rules.h"

namespace quillguard {

ManifestVerdict AcceptSignedManifest(const UpdateTrust& trust, std::string_view server,
                                     std::string_view path, std::string_view body,
                                     std::chrono::sys_seconds now) {
    const auto manifest = ReadSignedManifest(body);
    const auto statement = manifest ? ManifestStatement(manifest->members) : std::nullopt;
    const auto signedWith = [&](const auto& key) {
        return trust.crypto->VerifySignature(key, *statement, manifest->signature);
    };
    if (!statement || std::none_of(trust.keys.begin(), trust.keys.end(), signedWith)) {
        return {std::nullopt, "signature"};
    }
    const SignedMembers& members = manifest->members;
    // A genuine signature for another server (another game's, staging's) or another path (a stub
    // manifest as the launcher's) would otherwise move players to files not meant for them.
    if (members.server != server) {
        return {std::nullopt, "server signed-for=" + members.server};
    }
    if (members.path != path) {
        return {std::nullopt, "path signed-for=" + members.path};
    }
    // Old genuine manifests stay valid for ever; only the version and the expiry keep a server
    // from serving one again or holding back a newer one.
    const auto before = trust.versions->Read(server, path);
    if (!IsVersionAcceptable(members.version, before)) {
        return {std::nullopt, "rollback version=" + std::to_string(members.version) +
                                  " accepted=" + std::to_string(*before)};
    }
    if (HasExpired(members.expires, now)) {
        return {std::nullopt, "expired expires=" + *members.expires};
    }
    return {AcceptedManifest{manifest->sha256, members.size, members.version}, {}};
}

}  // namespace quillguard
