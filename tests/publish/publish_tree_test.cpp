#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "publish/publisher_crypto.h"
#include "publish/signing_key.h"
#include "publish_workspace.h"

namespace quillguard::testing {
namespace {

// Each build under its digest, then a manifest for each game's stub naming the client library,
// and the launcher's manifest last; the tree holds nothing else. The same input again touches
// nothing; a new library replaces only the stubs' manifests and leaves the old build in place, so
// publishing the old input again is a rollback.
TEST(PublishTreeTest, WritesBuildsThenTheManifestsThatNameThemAndRewritesOnlyWhatChanged) {
    const PublishWorkspace w;
    const auto [status, out, err] = w.PublishAll("QGClient-1.dll");
    ASSERT_EQ(status, 0) << err;
    const std::string launcherBuild = Build(w.Content("launcher.exe"), "exe");
    const std::string libraryBuild = Build(w.Content("QGClient-1.dll"), "dll");
    // Bar's code section digest sorts before Foo's.
    EXPECT_EQ(out, "wrote " + libraryBuild + "\nwrote " + launcherBuild + "\nwrote " + Stub("Bar") +
                       "\nwrote " + Stub("Foo") + "\nwrote launcher/manifest.json\n");
    const auto first = w.Tree();
    EXPECT_EQ(first.size(), 5u);  // the builds and manifests above, nothing else
    // verify reads each as the launcher does: the launcher's names a launcher build, each stub's a
    // DLL.
    const auto [verified, verifiedOut, problems] = w.Verify();
    EXPECT_EQ(verified, 0) << problems;

    const auto [again, againOut, againErr] = w.PublishAll("QGClient-1.dll");
    EXPECT_EQ(again, 0) << againErr;
    EXPECT_EQ(againOut.find("wrote"), std::string::npos) << againOut;
    EXPECT_EQ(w.Tree(), first);

    // A new manifest is renamed over the old: a launcher that opened that one reads it whole.
    std::filesystem::create_hard_link(w.Root() / Stub("Foo"), w.Input("opened"));
    ASSERT_EQ(std::get<0>(w.PublishAll()), 0);
    EXPECT_EQ(w.Content("opened"), first.at(Stub("Foo")));
    EXPECT_NE(w.Content("www/" + Stub("Foo")), first.at(Stub("Foo")));
    const std::string next = w.Content("QGClient.dll");

    const auto [back, backOut, backErr] = w.PublishAll("QGClient-1.dll");
    EXPECT_EQ(back, 0) << backErr;
    auto expected = first;
    expected[Build(next, "dll")] = next;
    EXPECT_EQ(w.Tree(), expected);
}

// Whatever is wrong with the arguments or what they give, nothing is written, and the reason names
// the file or shows the usage. Every launcher players may run after the publication must take it:
// the one given and the one the tree serves (one without keys ignores signatures).
TEST(PublishTreeTest, RefusesBadInputBeforeWritingAnything) {
    enum class Tree { kEmpty, kServesOldServer, kServesKeyless, kPlanted, kSigned };
    const SignedWorkspace w;
    w.Put("Other.exe", Image(Code("Other"), {"QGClient.dll", "KERNEL32.dll"}));
    w.Put("notes.txt", "not an image");
    w.Put("other-server.exe", Launcher(Code("launcher 2"), "https://old.example.com"));
    w.Put("other-key.exe", Launcher(Code("launcher 2"), kBaseUrl, std::string(64, 'a')));
    w.Put("not-a-dll.dll", Image(Code("client 2")));
    w.Put("x86.dll", Library(Code("client 2"), PeImageBuilder().x86()));
    publish::SigningKey mismatched = w.Key();
    mismatched.point = publish::GenerateSigningKey()->point;
    w.Put("mismatched.pem", publish::SigningKeyPem(mismatched));
    // publish's arguments after the root and base URL; a name with an extension is a file here.
    const auto with = [&w](const std::vector<std::string>& more) {
        Arguments arguments;
        for (const std::string& argument : more) {
            const bool file = std::filesystem::path(argument).has_extension();
            arguments.push_back(file ? w.Input(argument) : std::filesystem::path(argument));
        }
        return w.PublishArguments(arguments);
    };
    const auto launcher = w.Input("launcher.exe");
    const auto withBase = [&](std::string url) -> Arguments {
        return {"publish", "--root", w.Root(), "--base-url", url, "--launcher", launcher};
    };
    const std::string key = "keys/signing-key.pem";
    const auto all = with({"--launcher", "launcher.exe", "--client-library", "QGClient.dll",
                           "--game", "Foo.exe", "--signing-key", key});
    const struct {
        Arguments arguments;
        int status;
        std::string problem;  // empty: published
        Tree tree = Tree::kEmpty;
    } cases[] = {
        {with({"--client-library", "QGClient.dll", "--game", "Foo.exe", "Other.exe"}), 1,
         "Other.exe: not a client target: QGClient.dll must be the only library it imports"},
        {with({"--client-library", "QGClient.dll", "--game", "notes.txt"}), 1,
         "notes.txt: not a PE image"},
        {with({"--launcher", "missing.exe"}), 1, "missing.exe: cannot open"},
        {with({"--launcher", "Foo.exe", "--signing-key", key}), 1,
         "Foo.exe: not a launcher of this project"},
        {with({"--launcher", "other-server.exe"}), 1,
         "built for the update server https://old.example.com, not " + std::string(kBaseUrl)},
        {with({"--launcher", "launcher.exe"}), 1,
         "and no --signing-key was given: launchers would refuse every update"},
        {with({"--launcher", "other-key.exe", "--signing-key", key}), 1,
         "does not hold the key of --signing-key (" + w.Fingerprint()},
        {with({"--client-library", "not-a-dll.dll", "--game", "Foo.exe"}), 1,
         "not-a-dll.dll: not a DLL"},
        {with({"--client-library", "x86.dll", "--game", "Foo.exe"}), 1,
         "x86.dll: built for x86, but " + w.Input("Foo.exe").string() + " is x64"},
        {with({"--launcher", "launcher.exe", "--signing-key", "keys/signing-key.pub.pem"}), 1,
         "not an unencrypted P-256 private key"},
        {with({"--launcher", "launcher.exe", "--signing-key", "mismatched.pem"}), 1,
         "its public key is not its private key's own"},
        {all, 1, "the launcher the tree serves: built for the update server",
         Tree::kServesOldServer},
        {all, 0, "", Tree::kServesKeyless},
        {all, 1, "is there with other bytes", Tree::kPlanted},
        {with({"--client-library", "QGClient-1.dll", "--game", "Foo.exe"}), 1,
         "the launcher the tree serves: it takes only manifests signed", Tree::kSigned},
        {with({"--client-library", "QGClient-1.dll", "--game", "Bar.exe", "--signing-key", key}), 1,
         "is not one JSON value, so the next version cannot be told", Tree::kSigned},
        {{"verify", "--root", w.Root(), "--base-url", kBaseUrl},
         1,
         "give the launcher's public keys with --public-key",
         Tree::kSigned},
        {with({"--client-library", "QGClient.dll"}), 2, "go together"},
        {with({}), 2, "nothing to publish"},
        {with({"--launcher"}), 2, "--launcher takes one value, once"},
        {with({"--launcher", "launcher.exe", "--stub", "Foo.exe"}), 2, "unknown option --stub"},
        {{"publish", "--base-url", kBaseUrl, "--launcher", launcher}, 2, "--root DIR is required"},
        {{"verify", "--root", w.Root()}, 2, "--base-url URL is required"},
        {with({"--launcher", "launcher.exe", "--expires-in", "30"}), 2,
         "goes with --signing-key FILE"},
        {with({"--launcher", "launcher.exe", "--signing-key", key, "--expires-in", "0"}), 2,
         "--expires-in takes a whole number of days"},
        {{"keygen", "--out"}, 2, "keygen takes --out DIR"},
        {{"keygen", "--out", w.Input("keys")}, 1, "is there already"},
        {{}, 2, "usage: qg-publish COMMAND ARGUMENTS"},
        {{"sha1"}, 2, "usage: qg-publish COMMAND ARGUMENTS"},
        {{"stub-id"}, 2, "usage: qg-publish COMMAND ARGUMENTS"},
        {{"publish-everything", "file"}, 2, "usage: qg-publish COMMAND ARGUMENTS"},
        // The base URL is the one the launcher is built with: https, a host, a port, nothing else.
        {withBase("http://updates.example.com"), 2, "--base-url must be"},
        {withBase("https://updates.example.com/"), 2, "--base-url must be"},
        {withBase("https://updates.example.com/quillguard"), 2, "--base-url must be"},
        {withBase("https://"), 2, "--base-url must be"},
        {withBase("https://updates.example.com:0"), 2, "--base-url must be"},
        {withBase("https://example.com:65536"), 2, "--base-url must be"},
        {withBase("https://user@updates.example.com"), 2, "--base-url must be"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(w.Root());
        if (c.tree == Tree::kServesOldServer || c.tree == Tree::kServesKeyless) {
            const std::string served =
                Launcher(Code("launcher 1"),
                         c.tree == Tree::kServesKeyless ? kBaseUrl : "https://old.example.com");
            w.Put("www/files/served.exe", served);
            w.Put("www/launcher/manifest.json",
                  ManifestText(HexDigestOf(served), kBaseUrl + std::string("/files/served.exe")));
        } else if (c.tree == Tree::kPlanted) {
            w.Put("www/files/" + HexDigestOf(w.Content("launcher.exe")) + ".exe", "planted");
        } else if (c.tree == Tree::kSigned) {
            ASSERT_EQ(std::get<0>(w.PublishSigned()), 0);
            w.Put("www/" + Stub("Bar"), "{\"version\": 7");
        }
        const auto before = w.Tree("");
        const auto [status, out, err] = RunTool(c.arguments);
        EXPECT_EQ(status, c.status) << c.problem << err;
        EXPECT_NE(err.find(c.problem), std::string::npos) << err;
        if (c.status != 0) {
            EXPECT_EQ(w.Tree(""), before) << c.problem;
        }
    }
}

// A line for each file as sha1sum prints it; a file that fails is named with its reason on
// standard error, exit status 1, and the others still print.
TEST(PublishCommandTest, PrintsEachFileLikeSha1sumAndNamesThoseThatFail) {
    const ScratchFile text(std::string("abc"));
    const ScratchFile exe(Image("abc"));
    const auto missing = ScratchFile::UniquePath();
    const std::string abc = "a9993e364706816aba3e25717850c26c9cd0d89d  ";
    EXPECT_EQ(RunTool({"sha1", text.path()}), std::tuple(0, abc + text.path().string() + "\n", ""));
    const auto [status, out, err] = RunTool({"stub-id", missing, text.path(), exe.path()});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, abc + exe.path().string() + "\n");
    for (const std::string& reason : {missing.string() + ": cannot open: ",
                                      text.path().string() + ": not a PE image: no MZ header"}) {
        EXPECT_NE(err.find(reason), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace quillguard::testing
