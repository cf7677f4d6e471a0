// The rules of a signed manifest: the statement its signature covers, the members a launcher
// reads, when it accepts one, and the record of the version it accepted.
#include "update/signed_update.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "base/base64.h"
#include "support/fake_update_trust.h"
#include "update/update_rules.h"

#ifdef _WIN32
#include <windows.h>
#include "base/product_names.h"
#include "update/win32_accepted_versions.h"
#endif

namespace quillguard {
namespace {

using testing::Bytes64;
using FakeCrypto = testing::FakeUpdateCrypto;

constexpr char kServer[] = "https://a.example.com";
constexpr char kPath[] = "/launcher/manifest.json";
const Bytes64 kKeyA{0xA};
const Bytes64 kKeyB{0xB};

// The members of a launcher manifest of kServer, changed by edit.
SignedMembers Members(void (*edit)(SignedMembers&) = [](SignedMembers&) {}) {
    SignedMembers m{kServer,
                    kPath,
                    "A9993E364706816ABA3E25717850C26C9CD0D89D",
                    "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD",
                    1048576,
                    5,
                    "https://cdn.example.com/Foo_QG.exe?v=5",
                    std::nullopt};
    edit(m);
    return m;
}

// The body of a manifest of members signed by key, with a member launchers ignore; the JSON of
// the replaced members is changed after signing (dropped when empty).
std::string Body(const SignedMembers& m, const Bytes64& key = kKeyA,
                 const std::map<std::string, std::string>& replaced = {}) {
    const auto quoted = [](const std::string& text) { return '"' + text + '"'; };
    std::map<std::string, std::string> members = replaced;  // insert keeps what is there
    members.insert({
        {"server", quoted(m.server)},
        {"path", quoted(m.path)},
        {"sha1", quoted(m.sha1)},
        {"sha256", quoted(m.sha256)},
        {"size", std::to_string(m.size)},
        {"version", std::to_string(m.version)},
        {"url", quoted(m.url)},
        {"expires", m.expires ? quoted(*m.expires) : ""},
        {"signature", quoted(EncodeBase64(FakeCrypto::Sign(key, ManifestStatement(m).value())))},
        {"other", R"([1, {"nested": null}])"},
    });
    std::string body;
    for (const auto& [name, json] : members) {
        if (!json.empty()) {
            body += (body.empty() ? "{" : ",") + quoted(name) + ":" + json;
        }
    }
    return body + "}";
}

TEST(ManifestStatementTest, WritesEveryMemberOnItsLineInOrderWithLowerCaseDigests) {
    EXPECT_EQ(
        ManifestStatement(Members([](SignedMembers& m) { m.expires = "2027-01-31T00:00:00Z"; })),
        "QuillGuard signed manifest 2\n"
        "server: https://a.example.com\n"
        "path: /launcher/manifest.json\n"
        "sha1: a9993e364706816aba3e25717850c26c9cd0d89d\n"
        "sha256: ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n"
        "size: 1048576\n"
        "url: https://cdn.example.com/Foo_QG.exe?v=5\n"
        "version: 5\n"
        "expires: 2027-01-31T00:00:00Z\n");
}

TEST(ManifestStatementTest, RefusesValuesThatCouldForgeOrBlurALine) {
    const std::pair<const char*, void (*)(SignedMembers&)> cases[] = {
        {"line break in url", [](SignedMembers& m) { m.url += "\nversion: 99"; }},
        {"tab in expires", [](SignedMembers& m) { m.expires = "2027\t"; }},
        {"delete in path", [](SignedMembers& m) { m.path += "\x7F"; }},
        {"byte 0x80 in server", [](SignedMembers& m) { m.server += "\x80"; }},
        {"non-hex sha1", [](SignedMembers& m) { m.sha1[0] = 'g'; }},
    };
    for (const auto& [what, edit] : cases) {
        EXPECT_EQ(ManifestStatement(Members(edit)), std::nullopt) << what;
    }
}

TEST(SignedManifestTest, RefusesAManifestWithAMemberMissingOrMalformed) {
    const std::string body = Body(Members());  // read as it is: the acceptance table's first row
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
        {{"signature", "\"AAEC\""}},                        // three bytes
        {{"signature", '"' + std::string(88, 'A') + '"'}},  // 66 bytes
    };
    for (const auto& replaced : cases) {
        EXPECT_EQ(ReadSignedManifest(Body(Members(), kKeyA, replaced)), std::nullopt)
            << replaced.begin()->first << " " << replaced.begin()->second;
    }
    for (const std::string& other : {body + "x", body + '\0'}) {
        EXPECT_EQ(ReadSignedManifest(other), std::nullopt) << other;
    }
}

// Every rule of a signed manifest, each refusal with the reason the log gives.
TEST(SignedUpdateTest, AcceptsOnlyManifestsSignedForThisServerAndPathNeitherOlderNorExpired) {
    FakeCrypto crypto;
    testing::FakeAcceptedVersions versions;
    versions.records[{kServer, kPath}] = 5;
    const UpdateTrust trust{{kKeyA, kKeyB}, &crypto, &versions};
    const auto now = std::chrono::sys_days{std::chrono::year{2027} / 1 / 1};
    const struct {
        const char* what;
        std::string body;
        std::string refusal;  // empty: accepted
    } cases[] = {
        {"the version accepted before, never expiring", Body(Members()), ""},
        {"newer, by the second key", Body(Members([](SignedMembers& m) { m.version = 6; }), kKeyB),
         ""},
        // A player's clock may run a day ahead.
        {"expired a day ago",
         Body(Members([](SignedMembers& m) { m.expires = "2026-12-31T00:00:00Z"; })), ""},
        {"a stranger's", Body(Members(), Bytes64{0x5}), "signature"},
        {"its path edited after signing",
         Body(Members([](SignedMembers& m) { m.path = "/stub/ab/manifest.json"; }), kKeyA,
              {{"path", "\"/launcher/manifest.json\""}}),
         "signature"},
        {"not signed", Body(Members(), kKeyA, {{"signature", ""}}), "signature"},
        {"for another server",
         Body(Members([](SignedMembers& m) { m.server = "https://b.example.com"; })),
         "server signed-for=https://b.example.com"},
        {"for another path",
         Body(Members([](SignedMembers& m) { m.path = "/stub/ab/manifest.json"; })),
         "path signed-for=/stub/ab/manifest.json"},
        {"older", Body(Members([](SignedMembers& m) { m.version = 4; })),
         "rollback version=4 accepted=5"},
        {"expired a day and a second ago",
         Body(Members([](SignedMembers& m) { m.expires = "2026-12-30T23:59:59Z"; })),
         "expired expires=2026-12-30T23:59:59Z"},
        {"expiring at a time that cannot be read",
         Body(Members([](SignedMembers& m) { m.expires = "2027-01-31"; })),
         "expired expires=2027-01-31"},
    };
    for (const auto& c : cases) {
        const ManifestVerdict verdict = AcceptSignedManifest(trust, kServer, kPath, c.body, now);
        EXPECT_EQ(verdict.refusal, c.refusal) << c.what;
        EXPECT_EQ(verdict.accepted.has_value(), c.refusal.empty()) << c.what;
    }
    // A server's first manifest may have any version; what it promises is what it says.
    versions.records.clear();
    const auto accepted = AcceptSignedManifest(
        trust, kServer, kPath, Body(Members([](SignedMembers& m) { m.version = 3; })), now);
    ASSERT_TRUE(accepted.accepted);
    EXPECT_EQ(accepted.accepted->sha256[0], 0xBA);
    EXPECT_EQ(accepted.accepted->size, 1048576U);
    EXPECT_EQ(accepted.accepted->version, 3U);
}

TEST(UpdateRulesTest, ReadsOnlyWholeValidUtcTimes) {
    const std::pair<std::string, std::optional<std::int64_t>> cases[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2024-02-29T23:59:59Z", 1709251199},
        {"2027-04-31T00:00:00Z", std::nullopt},
        {"2027-01-31T24:00:00Z", std::nullopt},
        {"2027-01-31T00:00:60Z", std::nullopt},
        {"2027-01-31T00:00:00", std::nullopt},
        {"+027-01-31T00:00:00Z", std::nullopt},
    };
    for (const auto& [text, seconds] : cases) {
        const auto parsed = ParseUtcTime(text);
        EXPECT_EQ(parsed ? std::optional(parsed->time_since_epoch().count()) : std::nullopt,
                  seconds)
            << text;
    }
}

// Launchers of two servers never share a record; the same server's launchers do.
TEST(UpdateRulesTest, NamesTheRecordAfterTheServerAndThePath) {
    EXPECT_EQ(AcceptedVersionName(kServer, kPath),
              L"UpdateVersion https://a.example.com/launcher/manifest.json");
    EXPECT_NE(AcceptedVersionName("https://a.example.com:8443", kPath),
              AcceptedVersionName(kServer, kPath));
}

#ifdef _WIN32
// One REG_QWORD per server and path under the QuillGuard key; anything else there is no record.
TEST(Win32AcceptedVersionsTest, KeepsOneQwordPerServerAndPath) {
    const std::wstring name = AcceptedVersionName(kServer, kPath);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRegistryKey, name.c_str());
    Win32AcceptedVersions versions;
    EXPECT_EQ(versions.Read(kServer, kPath), std::nullopt);
    versions.Record(kServer, kPath, 0x100000002ULL);
    EXPECT_EQ(versions.Read(kServer, kPath), 0x100000002ULL);
    const DWORD small = 9;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kRegistryKey, name.c_str(), REG_DWORD, &small,
                      sizeof(small));
    EXPECT_EQ(versions.Read(kServer, kPath), std::nullopt);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRegistryKey, name.c_str());
}
#endif

}  // namespace
}  // namespace quillguard
