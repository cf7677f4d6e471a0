#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "publish_workspace.h"
#include "update/signed_manifest.h"

namespace quillguard::testing {
namespace {

SignedManifest SignedAt(const PublishWorkspace& w, const std::string& treePath) {
    return ReadSignedManifest(w.Tree().at(treePath)).value();
}

// keygen makes a key only the owner may read; publish signs every manifest for the base URL and
// its own path with the file as the tree serves it, each path's version growing with every
// manifest written there; verify checks them with the public key.
TEST(SignedPublishTest, KeygenPublishAndVerifyAgreeWithTheLauncherOnEveryMember) {
    const SignedWorkspace w;
#ifndef _WIN32
    EXPECT_EQ(std::filesystem::status(w.PrivateKey()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif

    const auto [status, out, err] = w.PublishSigned();
    ASSERT_EQ(status, 0) << err;

    // The same input again changes nothing; a new library and an expiry write new versions, which
    // verify checks with the public key as the launcher reads them.
    const auto first = w.Tree();
    ASSERT_EQ(std::get<0>(w.PublishSigned()), 0);
    EXPECT_EQ(w.Tree(), first);
    w.Put("QGClient.dll", Library(Code("client 3")));
    ASSERT_EQ(std::get<0>(w.PublishSigned({"--expires-in", "30"})), 0);
    EXPECT_EQ(SignedAt(w, Stub("Foo")).members.version, 2u);
    const SignedManifest launcher = SignedAt(w, "launcher/manifest.json");
    EXPECT_EQ(launcher.members.version, 2u);
    ASSERT_TRUE(launcher.members.expires);
    const auto [renewed, renewedOut, renewedErr] = w.Verify({"--public-key", w.PublicKey()});
    EXPECT_EQ(renewed, 0) << renewedErr;
    EXPECT_NE(renewedOut.find("ok    launcher/manifest.json (expires " + *launcher.members.expires +
                              ", in 30 days)"),
              std::string::npos)
        << renewedOut;
}

// A signed tree as publish leaves it, then one manifest replaced: verify names what launchers
// holding the key would refuse.
TEST(SignedPublishTest, VerifyNamesEveryManifestThatSignedLaunchersWouldRefuse) {
    const SignedWorkspace reference;
    ASSERT_EQ(std::get<0>(reference.PublishSigned()), 0);
    const SignedManifest stub = SignedAt(reference, Stub("Foo"));
    const auto changed = [&stub](auto change) {
        SignedMembers members = stub.members;
        change(members);
        return members;
    };
    const struct {
        std::optional<SignedMembers> signedMembers;
        std::string bytes;  // served as they are, without signedMembers; empty: as published
        std::string problem;
        bool otherKey = false;  // verify holds a key the served launcher does not
    } cases[] = {
        {std::nullopt, reference.Tree().at(Stub("Foo")),
         "its signature is not one of the launcher's keys'"},
        {changed([](SignedMembers& m) { m.path = "/launcher/manifest.json"; }), "",
         "signed for " + std::string(kBaseUrl) + "/launcher/manifest.json"},
        {changed([](SignedMembers& m) { m.server = "https://staging.example.com"; }), "",
         "signed for https://staging.example.com/stub/"},
        {std::nullopt, ManifestText(stub.members.sha1, stub.members.url), "not signed"},
        {changed([](SignedMembers& m) { m.expires = "2020-01-31T00:00:00Z"; }), "",
         "expired at 2020-01-31T00:00:00Z"},
        {changed([](SignedMembers& m) { m.size += 1; }), "",
         "whose SHA-256 or size is not what it gives"},
        {std::nullopt, "", "not one of the keys the launcher the tree serves holds", true},
    };
    for (const auto& c : cases) {
        const SignedWorkspace w;
        ASSERT_EQ(std::get<0>(w.PublishSigned()), 0);
        if (c.signedMembers) {
            w.Sign(Stub("Foo"), *c.signedMembers);
        } else if (!c.bytes.empty()) {
            w.Put("www/" + Stub("Foo"), c.bytes);
        }
        const auto [status, out, err] =
            w.Verify({"--public-key", c.otherKey ? reference.PublicKey() : w.PublicKey()});
        EXPECT_EQ(status, 1) << c.problem;
        EXPECT_NE(err.find(c.problem), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace quillguard::testing
