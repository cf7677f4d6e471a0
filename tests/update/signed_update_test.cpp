#include "update/signed_update.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "base/base64.h"

namespace quillguard {
namespace {

using Bytes64 = std::array<std::uint8_t, 64>;

// Signatures that only the key and the exact message make: the key's X and the message's hash.
class FakeCrypto final : public UpdateCrypto {
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

constexpr char kServer[] = "https://a.example.com";
constexpr char kPath[] = "/launcher/manifest.json";
const Bytes64 kKeyA{0xA};
const Bytes64 kKeyB{0xB};
const Bytes64 kStranger{0x5};

// Version 5 accepted before for kServer and kPath alone.
class FakeVersions final : public AcceptedVersions {
  public:
    std::optional<std::uint64_t> Read(std::string_view server, std::string_view path) override {
        return server == kServer && path == kPath ? std::optional<std::uint64_t>(5) : std::nullopt;
    }
    void Record(std::string_view, std::string_view, std::uint64_t) override {}
};

// The manifest body of members signed by key, with a member launchers ignore, and its JSON text
// edited after signing by replacing one text with another.
std::string Body(const SignedMembers& m, const Bytes64& key,
                 std::pair<std::string, std::string> edit = {}) {
    const auto signature = FakeCrypto::Sign(key, ManifestStatement(m).value());
    std::string body = R"({"server":")" + m.server + R"(","path":")" + m.path + R"(","sha1":")" +
                       m.sha1 + R"(","sha256":")" + m.sha256 + R"(","size":)" +
                       std::to_string(m.size) + R"(,"version":)" + std::to_string(m.version) +
                       R"(,"url":")" + m.url + (m.expires ? R"(","expires":")" + *m.expires : "") +
                       R"(","signature":")" + EncodeBase64(signature) + R"(","other":[1]})";
    if (!edit.first.empty()) {
        body.replace(body.find(edit.first), edit.first.size(), edit.second);
    }
    return body;
}

// Every rule of a signed manifest, each refusal with the reason the log gives.
TEST(SignedUpdateTest, AcceptsOnlyManifestsSignedForThisServerAndPathNeitherOlderNorExpired) {
    FakeCrypto crypto;
    FakeVersions versions;
    const UpdateTrust trust{{kKeyA, kKeyB}, &crypto, &versions};
    const auto now = std::chrono::sys_days{std::chrono::year{2027} / 1 / 1};
    const auto members = [](auto edit) {
        SignedMembers m{kServer,
                        kPath,
                        "A9993E364706816ABA3E25717850C26C9CD0D89D",
                        "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
                        1048576,
                        5,
                        "https://cdn.example.com/x.exe",
                        std::nullopt};
        edit(m);
        return m;
    };
    const auto same = [](SignedMembers&) {};
    const struct {
        const char* what;
        std::string body;
        std::string refusal;  // empty: accepted
    } cases[] = {
        {"the version accepted before", Body(members(same), kKeyA), ""},
        {"newer, by the second key, expiring tomorrow",
         Body(members([](SignedMembers& m) {
                  m.version = 6;
                  m.expires = "2027-01-02T00:00:00Z";
              }),
              kKeyB),
         ""},
        {"a stranger's", Body(members(same), kStranger), "signature"},
        {"its path edited after signing",
         Body(members([](SignedMembers& m) { m.path = "/stub/ab/manifest.json"; }), kKeyA,
              {"/stub/ab/manifest.json", kPath}),
         "signature"},
        {"not signed", Body(members(same), kKeyA, {"\"signature\"", "\"other\""}), "signature"},
        {"for another server",
         Body(members([](SignedMembers& m) { m.server = "https://b.example.com"; }), kKeyA),
         "server signed-for=https://b.example.com"},
        {"for another path",
         Body(members([](SignedMembers& m) { m.path = "/stub/ab/manifest.json"; }), kKeyA),
         "path signed-for=/stub/ab/manifest.json"},
        {"older", Body(members([](SignedMembers& m) { m.version = 4; }), kKeyA),
         "rollback version=4 accepted=5"},
        {"expired more than a day ago",
         Body(members([](SignedMembers& m) { m.expires = "2026-12-30T23:59:59Z"; }), kKeyA),
         "expired expires=2026-12-30T23:59:59Z"},
    };
    for (const auto& c : cases) {
        const ManifestVerdict verdict = AcceptSignedManifest(trust, kServer, kPath, c.body, now);
        EXPECT_EQ(verdict.refusal, c.refusal) << c.what;
        EXPECT_EQ(verdict.accepted.has_value(), c.refusal.empty()) << c.what;
    }
    const auto accepted =
        AcceptSignedManifest(trust, kServer, kPath, Body(members(same), kKeyA), now).accepted;
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->sha256[0], 0xBA);
    EXPECT_EQ(accepted->size, 1048576U);
    EXPECT_EQ(accepted->version, 5U);
}

}  // namespace
}  // namespace quillguard
