#include "update/signed_update.h"

#include <algorithm>

#include "update/update_rules.h"

namespace quillguard {

std::optional<std::string> UrlPath(const std::wstring& url) {
    const auto scheme = url.find(L"://");
    const auto slash = scheme == std::wstring::npos ? scheme : url.find(L'/', scheme + 3);
    if (slash == std::wstring::npos) {
        return std::nullopt;
    }
    std::string path;
    for (const wchar_t c : url.substr(slash)) {
        if (c < 0x20 || c >= 0x7F) {
            return std::nullopt;
        }
        path.push_back(static_cast<char>(c));
    }
    return path;
}

std::optional<AcceptedManifest> AcceptSignedManifest(const UpdateTrust& trust,
                                                     const std::string& path, std::string_view body,
                                                     std::int64_t now) {
    const auto manifest = ReadSignedManifest(body);
    if (!manifest) {
        return std::nullopt;
    }
    // The path is part of what is signed, so a manifest served where it does not belong (a stub
    // manifest as the launcher's, one game's as another's) fails here like a forged one.
    const auto statement = ManifestStatement(path, manifest->members);
    const auto signedWith = [&](const auto& key) {
        return trust.crypto->VerifySignature(key, *statement, manifest->signature);
    };
    if (!statement || std::none_of(trust.keys.begin(), trust.keys.end(), signedWith)) {
        return std::nullopt;
    }
    // Old genuine manifests stay valid for ever; only the version and the expiry keep a server
    // from serving one again or holding back a newer one.
    if (!IsVersionAcceptable(manifest->members.version, trust.versions->Read(path)) ||
        HasExpired(manifest->members.expires, now)) {
        return std::nullopt;
    }
    return AcceptedManifest{path, manifest->sha256, manifest->members.size,
                            manifest->members.version};
}

}  // namespace quillguard
