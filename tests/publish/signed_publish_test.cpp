#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "publish/key_files.h"
#include "publish/manifest_signing.h"
#include "publish/publisher_crypto.h"
#include "publish_workspace.h"
#include "update/signed_manifest.h"

namespace quillguard::testing {
namespace {

using Arguments = std::vector<std::filesystem::path>;

std::string Stub(const std::string& game) {
    return "stub/" + HexDigestOf(Code(game)) + "/manifest.json";
}

// A workspace with a key pair made by keygen and a launcher build that holds its public key.
class SignedWorkspace : public PublishWorkspace {
  public:
    SignedWorkspace() {
        const auto [status, out, err] = RunTool({"keygen", "--out", Input("keys")});
        EXPECT_EQ(status, 0) << err;
        key_ = *publish::LoadSigningKey(PrivateKey()).key;
        Put("launcher.exe", Launcher(Code("launcher 2"), kBaseUrl, Fingerprint()));
    }
    std::filesystem::path PrivateKey() const { return Input("keys/signing-key.pem"); }
    std::filesystem::path PublicKey() const { return Input("keys/signing-key.pub.pem"); }
    std::string Fingerprint() const { return publish::Fingerprint(key_.point); }
    const publish::SigningKey& Key() const { return key_; }

    std::tuple<int, std::string, std::string> PublishSigned(Arguments more = {}) const {
        more.insert(more.begin(),
                    {"--launcher", Input("launcher.exe"), "--client-library", Input("QGClient.dll"),
                     "--game", Input("Foo.exe"), "--signing-key", PrivateKey()});
        return RunTool(PublishArguments(more));
    }
    std::tuple<int, std::string, std::string> VerifyWith(const Arguments& keys) const {
        Arguments arguments = {"verify", "--root", Root(), "--base-url", kBaseUrl};
        for (const auto& key : keys) {
            arguments.insert(arguments.end(), {"--public-key", key});
        }
        return RunTool(arguments);
    }
    // Signs members with the workspace's key, as publish would, and serves them at treePath.
    void Sign(const std::string& treePath, const SignedMembers& members) const {
        Put("www/" + treePath, *publish::SignedManifestText(members, key_));
    }

  private:
    publish::SigningKey key_;
};

SignedManifest SignedAt(const PublishWorkspace& w, const std::string& treePath) {
    return ReadSignedManifest(w.Tree().at(treePath)).value();
}

// keygen makes a key only the owner may read and never replaces one; publish signs every
// manifest for the base URL and its own path with the file as the tree serves it, each path's
// version growing with every manifest written there; verify checks them with the public key.
TEST(SignedPublishTest, KeygenPublishAndVerifyAgreeWithTheLauncherOnEveryMember) {
    const SignedWorkspace w;
    const std::string privateKey = w.Content("keys/signing-key.pem");
    const auto [again, againOut, againErr] = RunTool({"keygen", "--out", w.Input("keys")});
    EXPECT_EQ(again, 1);
    EXPECT_NE(againErr.find("is there already"), std::string::npos) << againErr;
    EXPECT_EQ(w.Content("keys/signing-key.pem"), privateKey);
#ifndef _WIN32
    EXPECT_EQ(std::filesystem::status(w.PrivateKey()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif

    const auto [status, out, err] = w.PublishSigned();
    ASSERT_EQ(status, 0) << err;
    const auto [unchecked, uncheckedOut, uncheckedErr] = w.VerifyWith({});
    EXPECT_EQ(unchecked, 1);
    EXPECT_NE(uncheckedErr.find("give the launcher's public keys with --public-key"),
              std::string::npos);

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
    const auto [renewed, renewedOut, renewedErr] = w.VerifyWith({w.PublicKey()});
    EXPECT_EQ(renewed, 0) << renewedErr;
    EXPECT_NE(renewedOut.find("ok    launcher/manifest.json (expires " + *launcher.members.expires +
                              ", in 30 days)"),
              std::string::npos)
        << renewedOut;
}

// Every launcher players may run after a publication must take it, the one the tree serves (they
// run it until they update) as well as the one given; and a file at a build's name must be that
// build. Otherwise nothing is written.
TEST(SignedPublishTest, ChecksTheServedLauncherAndTheFilesAlreadyInTheTree) {
    const struct {
        std::string served;  // the launcher the tree serves
        bool planted;        // other bytes at the given launcher's name in the tree
        std::string problem;
    } cases[] = {
        {Launcher(Code("launcher 1"), "https://old.example.com"), false,
         "the launcher the tree serves: built for the update server https://old.example.com"},
        // A launcher without keys ignores signatures: it may move to a launcher that has some.
        {Launcher(Code("launcher 1")), false, ""},
        {"", true, "is there with other bytes"},
    };
    for (const auto& c : cases) {
        const SignedWorkspace w;
        if (!c.served.empty()) {
            const std::string url = std::string(kBaseUrl) + "/files/served.exe";
            w.Put("www/files/served.exe", c.served);
            w.Put("www/launcher/manifest.json",
                  ManifestText(HexDigestOf(c.served), std::wstring(url.begin(), url.end())));
        }
        if (c.planted) {
            w.Put("www/files/" + HexDigestOf(w.Content("launcher.exe")) + ".exe", "planted");
        }
        const auto before = w.Tree();
        const auto [status, out, err] = w.PublishSigned();
        EXPECT_EQ(status, c.problem.empty() ? 0 : 1) << c.problem << err;
        EXPECT_NE(err.find(c.problem), std::string::npos) << err;
        if (!c.problem.empty()) {
            EXPECT_EQ(w.Tree(), before) << c.problem;
        }
    }
}

// Each publication that would strand players is refused before anything is written.
TEST(SignedPublishTest, RefusesWhatLaunchersWouldNeverTakeOrCouldNotLoad) {
    const SignedWorkspace w;
    w.Put("other-server.exe", Launcher(Code("launcher 2"), "https://old.example.com"));
    w.Put("other-key.exe", Launcher(Code("launcher 2"), kBaseUrl, std::string(64, 'a')));
    w.Put("not-a-dll.dll", Image(Code("client 2")));
    w.Put("x86.dll", Library(Code("client 2"), PeImageBuilder().x86()));
    publish::SigningKey mismatched = w.Key();
    mismatched.point = publish::GenerateSigningKey()->point;
    w.Put("mismatched.pem", publish::SigningKeyPem(mismatched));
    const auto privateKey = w.PrivateKey();
    const auto with = [&](Arguments more) { return w.PublishArguments(std::move(more)); };
    const auto games = [&](const std::string& library) {
        return Arguments{"--client-library", w.Input(library), "--game", w.Input("Foo.exe")};
    };
    const auto launcher = [&](const std::string& file, bool signedWithKey = true) {
        Arguments arguments = {"--launcher", w.Input(file)};
        if (signedWithKey) {
            arguments.insert(arguments.end(), {"--signing-key", privateKey});
        }
        return arguments;
    };
    const std::string noKey = "and no --signing-key was given: launchers would refuse every update";
    const std::string otherKey = "does not hold the key of --signing-key (" + w.Fingerprint();
    const struct {
        Arguments arguments;
        std::string problem;
    } cases[] = {
        {with(launcher("Foo.exe")), "Foo.exe: not a launcher of this project"},
        {with(launcher("other-server.exe", false)),
         "built for the update server https://old.example.com, not " + std::string(kBaseUrl)},
        {with(launcher("launcher.exe", false)), noKey},
        {with(launcher("other-key.exe")), otherKey},
        {with(games("not-a-dll.dll")), "not-a-dll.dll: not a DLL"},
        {with(games("x86.dll")),
         "x86.dll: built for x86, but " + w.Input("Foo.exe").string() + " is x64"},
        {with({"--launcher", w.Input("launcher.exe"), "--signing-key", w.PublicKey()}),
         "not an unencrypted P-256 private key"},
        {with({"--launcher", w.Input("launcher.exe"), "--signing-key", w.Input("mismatched.pem")}),
         "its public key is not its private key's own"},
    };
    for (const auto& c : cases) {
        const auto [status, out, err] = RunTool(c.arguments);
        EXPECT_EQ(status, 1) << c.problem;
        EXPECT_NE(err.find(c.problem), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists(w.Root())) << c.problem;
    }

    // What the tree serves counts too: the launcher players run, and the versions they took.
    ASSERT_EQ(std::get<0>(w.PublishSigned()), 0);
    const auto published = w.Tree();
    w.Put("www/" + Stub("Bar"), "{\"version\": 7");
    for (const auto& [arguments, problem] :
         {std::pair(with(games("QGClient-1.dll")),
                    std::string("the launcher the tree serves: it takes only manifests signed")),
          std::pair(with({"--client-library", w.Input("QGClient-1.dll"), "--game",
                          w.Input("Bar.exe"), "--signing-key", privateKey}),
                    std::string("is not one JSON value, so the next version cannot be told"))}) {
        const auto [status, out, err] = RunTool(arguments);
        EXPECT_EQ(status, 1) << problem;
        EXPECT_NE(err.find(problem), std::string::npos) << err;
    }
    auto expected = published;
    expected[Stub("Bar")] = "{\"version\": 7";
    EXPECT_EQ(w.Tree(), expected);
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
        std::string path;
        std::optional<SignedMembers> signedMembers;
        std::string bytes;  // served as they are, without signedMembers
        std::string problem;
    } cases[] = {
        {Stub("Foo"), std::nullopt, reference.Tree().at(Stub("Foo")),
         "its signature is not one of the launcher's keys'"},
        {Stub("Foo"), changed([](SignedMembers& m) { m.path = "/launcher/manifest.json"; }), "",
         "signed for " + std::string(kBaseUrl) + "/launcher/manifest.json"},
        {Stub("Foo"), changed([](SignedMembers& m) { m.server = "https://staging.example.com"; }),
         "", "signed for https://staging.example.com/stub/"},
        {Stub("Foo"), std::nullopt,
         ManifestText(stub.members.sha1,
                      std::wstring(stub.members.url.begin(), stub.members.url.end())),
         "not signed"},
        {Stub("Foo"), changed([](SignedMembers& m) { m.expires = "2020-01-31T00:00:00Z"; }), "",
         "expired at 2020-01-31T00:00:00Z"},
        {Stub("Foo"), changed([](SignedMembers& m) { m.size += 1; }), "",
         "whose SHA-256 or size is not what it gives"},
    };
    for (const auto& c : cases) {
        const SignedWorkspace w;
        ASSERT_EQ(std::get<0>(w.PublishSigned()), 0);
        if (c.signedMembers) {
            w.Sign(c.path, *c.signedMembers);
        } else {
            w.Put("www/" + c.path, c.bytes);
        }
        const auto [status, out, err] = w.VerifyWith({w.PublicKey()});
        EXPECT_EQ(status, 1) << c.problem;
        EXPECT_NE(err.find(c.problem), std::string::npos) << err;
    }
    // A key the launcher does not hold checks nothing.
    const SignedWorkspace w;
    ASSERT_EQ(std::get<0>(w.PublishSigned()), 0);
    const auto [status, out, err] = w.VerifyWith({reference.PublicKey()});
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("not one of the keys the launcher the tree serves holds"),
              std::string::npos);
}

}  // namespace
}  // namespace quillguard::testing
