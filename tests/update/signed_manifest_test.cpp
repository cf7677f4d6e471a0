#include "update/signed_manifest.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace quillguard {
namespace {

const std::string kSha1 = "\"A9993E364706816ABA3E25717850C26C9CD0D89D\"";
const std::string kSha256 = "\"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\"";
// 64 bytes: 0x00 to 0x3F.
const std::string kSignature =
    "\"AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==\"";

// A body with every member, where replacements swaps a member's JSON for another (or drops it
// when the replacement is empty).
std::string Body(const std::map<std::string, std::string>& replacements = {}) {
    std::map<std::string, std::string> members = {
        {"server", "\"https://h\""},
        {"path", "\"/launcher/manifest.json\""},
        {"sha1", kSha1},
        {"sha256", kSha256},
        {"size", "1048576"},
        {"version", "7"},
        {"url", "\"https://h/x.exe\""},
        {"expires", "\"2027-01-31T00:00:00Z\""},
        {"signature", kSignature},
        {"comment", "[1, {\"nested\": null}]"},
    };
    for (const auto& [name, json] : replacements) {
        members[name] = json;
    }
    std::string body = "{";
    for (const auto& [name, json] : members) {
        if (!json.empty()) {
            body += (body.size() > 1 ? "," : "") + ("\"" + name + "\":" + json);
        }
    }
    return body + "}";
}

TEST(SignedManifestTest, RefusesAManifestWithAMemberMissingOrMalformed) {
    const std::map<std::string, std::string> cases[] = {
        {{"server", ""}},
        {{"path", "1"}},
        {{"sha1", ""}},
        {{"sha1", "\"A9993E364706816ABA3E25717850C26C9CD0D89\""}},
        {{"sha256", "\"za7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\""}},
        {{"size", "-1"}},
        {{"size", "18446744073709551616"}},
        {{"version", "\"7\""}},
        {{"url", ""}},
        {{"expires", "1801353600"}},
        {{"signature", "\"AAEC\""}},                                          // three bytes
        {{"signature", kSignature.substr(0, kSignature.size() - 3) + "\""}},  // not padded
        {{"signature", "\"" + std::string(88, 'A') + "\""}},                  // 66 bytes
    };
    for (const auto& replacements : cases) {
        EXPECT_EQ(ReadSignedManifest(Body(replacements)), std::nullopt)
            << replacements.begin()->first << " " << replacements.begin()->second;
    }
    for (const std::string& body :
         {std::string("[]"), std::string("\"x\""), Body() + "x", Body() + std::string(1, '\0')}) {
        EXPECT_EQ(ReadSignedManifest(body), std::nullopt) << body;
    }
}

}  // namespace
}  // namespace quillguard
