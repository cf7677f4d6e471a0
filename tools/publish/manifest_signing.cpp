#include "publish/manifest_signing.h"

#include <cstdio>
#include <limits>

#include "base/base64.h"
#include "net/strict_json.h"
#include "publish/publisher_crypto.h"
#include "update/signed_manifest.h"

namespace quillguard::publish {

NextVersion NextVersionAfter(const std::optional<std::string>& existing) {
    if (!existing) {
        return {1, {}};
    }
    const std::optional<nlohmann::json> parsed = ParseStrictJson(*existing);
    if (!parsed) {
        return {std::nullopt,
                "is not one JSON value, so the next version cannot be told; move it "
                "aside if launchers never accepted it"};
    }
    const nlohmann::json& document = *parsed;
    const auto version = document.is_object() ? document.find("version") : document.end();
    if (version == document.end()) {
        return {1, {}};
    }
    if (!version->is_number_unsigned() ||
        version->get<std::uint64_t>() == std::numeric_limits<std::uint64_t>::max()) {
        return {std::nullopt, "has a \"version\" that is not a non-negative integer that can grow"};
    }
    return {version->get<std::uint64_t>() + 1, {}};
}

std::string ExpiryAfter(std::chrono::system_clock::time_point now, unsigned days) {
    using namespace std::chrono;
    const auto then = floor<seconds>(now) + std::chrono::days(days);
    const auto day = floor<std::chrono::days>(then);
    const year_month_day date(day);
    const hh_mm_ss time(then - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

std::optional<std::string> SignedManifestText(const SignedMembers& members, const SigningKey& key) {
    const auto statement = ManifestStatement(members);
    const auto signature = statement ? SignMessage(key, *statement) : std::nullopt;
    if (!signature || !VerifyMessage(key.point, *statement, *signature)) {
        return std::nullopt;
    }
    nlohmann::ordered_json manifest = {
        {"sha1", members.sha1},       {"url", members.url},       {"server", members.server},
        {"path", members.path},       {"sha256", members.sha256}, {"size", members.size},
        {"version", members.version},
    };
    if (members.expires) {
        manifest["expires"] = *members.expires;
    }
    manifest["signature"] = EncodeBase64(*signature);
    return manifest.dump() + "\n";
}

bool SaysAlready(std::string_view body, const SignedMembers& members,
                 std::span<const std::uint8_t, 64> point) {
    const auto manifest = ReadSignedManifest(body);
    if (!manifest || manifest->members.expires || members.expires) {
        return false;
    }
    const SignedMembers& there = manifest->members;
    const auto statement = ManifestStatement(there);
    return statement && there.server == members.server && there.path == members.path &&
           there.sha1 == members.sha1 && there.sha256 == members.sha256 &&
           there.size == members.size && there.url == members.url &&
           VerifyMessage(point, *statement, manifest->signature);
}

}  // namespace quillguard::publish
