#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "publish_workspace.h"

namespace quillguard::testing {
namespace {

using Arguments = std::vector<std::filesystem::path>;

std::string Build(const std::string& bytes, const std::string& extension) {
    return "files/" + HexDigestOf(bytes) + "." + extension;
}
std::string Stub(const std::string& game) {
    return "stub/" + HexDigestOf(Code(game)) + "/manifest.json";
}

// Each build under its digest, then a manifest for each game's stub naming the client library,
// and the launcher's manifest last; the tree holds nothing else. The same input again touches
// nothing; a new library replaces only the stubs' manifests and leaves the old build in place, so
// publishing the old input again is a rollback.
TEST(PublishTreeTest, WritesBuildsThenTheManifestsThatNameThemAndRewritesOnlyWhatChanged) {
    const PublishWorkspace w;
    const auto [status, out, err] = w.PublishAll("QGClient-1.dll");
    ASSERT_EQ(status, 0) << err;
    const std::string launcher = w.Content("launcher.exe");
    const std::string library = w.Content("QGClient-1.dll");
    const std::string launcherBuild = Build(launcher, "exe");
    const std::string libraryBuild = Build(library, "dll");
    // Bar's code section digest sorts before Foo's.
    EXPECT_EQ(out, "wrote " + libraryBuild + "\nwrote " + launcherBuild + "\nwrote " + Stub("Bar") +
                       "\nwrote " + Stub("Foo") + "\nwrote launcher/manifest.json\n");
    const auto first = w.Tree();
    EXPECT_EQ(first.size(), 5u);  // the builds and manifests above, nothing else
    EXPECT_EQ(first.at(launcherBuild), launcher);
    EXPECT_EQ(first.at(libraryBuild), library);
    // Verify reads each manifest as the launcher does: the launcher's names a launcher build, each
    // stub's a DLL, the one here, with its digest.
    const auto [verified, verifiedOut, problems] = w.Verify();
    EXPECT_EQ(verified, 0) << problems;

    const auto [again, againOut, againErr] = w.PublishAll("QGClient-1.dll");
    EXPECT_EQ(again, 0) << againErr;
    EXPECT_EQ(againOut.find("wrote"), std::string::npos) << againOut;
    EXPECT_EQ(w.Tree(), first);

    ASSERT_EQ(std::get<0>(w.PublishAll()), 0);
    const std::string next = w.Content("QGClient.dll");
    EXPECT_EQ(Named(w.Tree().at(Stub("Foo"))).first, HexDigestOf(next));

    const auto [back, backOut, backErr] = w.PublishAll("QGClient-1.dll");
    EXPECT_EQ(back, 0) << backErr;
    auto expected = first;
    expected[Build(next, "dll")] = next;
    EXPECT_EQ(w.Tree(), expected);
    EXPECT_NE(backOut.find("kept  " + libraryBuild), std::string::npos);
}

// Whatever is wrong with the input or the arguments, nothing is written, and the reason names the
// file or shows the usage.
TEST(PublishTreeTest, RefusesBadInputBeforeWritingAnything) {
    const PublishWorkspace w;
    w.Put("Other.exe", Image(Code("Other"), {"QGClient.dll", "KERNEL32.dll"}));
    w.Put("notes.txt", "not an image");
    const auto with = [&](Arguments more) { return w.PublishArguments(std::move(more)); };
    const auto library = w.Input("QGClient.dll");
    const auto launcher = w.Input("launcher.exe");
    const auto foo = w.Input("Foo.exe");
    const auto withBase = [&](std::string url) -> Arguments {
        return {"publish", "--root", w.Root(), "--base-url", url, "--launcher", launcher};
    };
    const struct {
        Arguments arguments;
        int status;
        std::string problem;
    } cases[] = {
        {with({"--client-library", library, "--game", foo, w.Input("Other.exe")}), 1,
         "Other.exe: not a client target: QGClient.dll must be the only library it imports"},
        {with({"--client-library", library, "--game", w.Input("notes.txt")}), 1,
         "notes.txt: not a PE image"},
        {with({"--launcher", w.Input("missing.exe")}), 1, "missing.exe: cannot open"},
        {with({"--launcher", launcher, "--client-library", w.Input("notes.txt"), "--game", foo}), 1,
         "notes.txt: not a PE image"},
        {with({"--client-library", library}), 2, "go together"},
        {with({}), 2, "nothing to publish"},
        {with({"--launcher"}), 2, "--launcher takes one value, once"},
        {with({"--launcher", launcher, "--stub", foo}), 2, "unknown option --stub"},
        {{"publish", "--base-url", kBaseUrl, "--launcher", launcher}, 2, "--root DIR is required"},
        {{"verify", "--root", w.Root()}, 2, "--base-url URL is required"},
        {with({"--launcher", launcher, "--expires-in", "30"}), 2, "goes with --signing-key FILE"},
        {with({"--launcher", launcher, "--signing-key", foo, "--expires-in", "0"}), 2,
         "--expires-in takes a whole number of days"},
        {{"keygen", "--out"}, 2, "keygen takes --out DIR"},
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
        const auto [status, out, err] = RunTool(c.arguments);
        EXPECT_EQ(status, c.status) << c.problem;
        EXPECT_NE(err.find(c.problem), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists(w.Root())) << c.problem;
    }
}

#ifndef _WIN32
// A launcher reading a manifest while publications follow one another always finds a whole
// manifest whose build is there with its digest. (Windows refuses to rename over a file held open
// without sharing its deletion: there a publication fails, and is run again.)
TEST(PublishTreeTest, AReaderNeverSeesAPartialManifestOrOneWhoseBuildIsMissing) {
    const PublishWorkspace w;
    const auto publish = [&](int round) {
        return std::get<0>(w.PublishAll(round % 2 == 0 ? "QGClient-1.dll" : "QGClient.dll"));
    };
    ASSERT_EQ(publish(0), 0);
    std::atomic<bool> done = false;
    std::atomic<int> failedPublications = 0;
    std::thread publisher([&] {
        for (int round = 1; round <= 300; ++round) {
            failedPublications += publish(round) == 0 ? 0 : 1;
        }
        done = true;
    });
    const std::string prefix = std::string(kBaseUrl) + "/";
    std::set<std::string> seen;
    std::vector<std::string> bad;
    while (!done) {
        const std::string manifest = ReadWholeFile(w.Root() / Stub("Foo")).value_or("");
        const auto [sha1, url] = Named(manifest);
        const auto build = url.starts_with(prefix)
                               ? ReadWholeFile(w.Root() / url.substr(prefix.size()))
                               : std::nullopt;
        if (!build || HexDigestOf(*build) != sha1) {
            bad.push_back(manifest);
        } else {
            seen.insert(sha1);
        }
    }
    publisher.join();
    EXPECT_EQ(failedPublications, 0);
    EXPECT_EQ(bad, std::vector<std::string>{});
    EXPECT_EQ(seen.size(), 2u) << "the reader did not see both libraries: no race was run";
}
#endif

}  // namespace
}  // namespace quillguard::testing
