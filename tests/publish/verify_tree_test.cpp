#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "publish_workspace.h"

namespace quillguard::testing {
namespace {

// A tree as publish leaves it, then one file in it written or removed.
TEST(VerifyTreeTest, NamesEveryManifestTheLauncherWouldRefuseOrWhoseBuildIsNotThere) {
    const PublishWorkspace inputs;
    const std::string launcherBinary = inputs.Content("launcher.exe");
    const std::string launcherBuild = Build(launcherBinary, "exe");
    const std::string sha1 = HexDigestOf(inputs.Content("QGClient.dll"));
    const std::string base = kBaseUrl, build = "files/" + sha1 + ".dll", url = base + "/" + build;
    const std::string launcher = "launcher/manifest.json";
    // Foo's stub id sorts after Bar's: its problem shows that verify goes on after the first.
    const std::string stub = Stub("Foo");
    const std::string zeros = "stub/" + std::string(40, '0');
    const struct {
        std::string path;                  // in the tree
        std::optional<std::string> bytes;  // nothing: removed
        std::string problem;  // what verify says on standard error; empty when the tree is sound
    } changes[] = {
        // A manifest as the launcher also reads it: upper-case digest, more members, spaces.
        {launcher,
         " {\"v\": 2, \"url\": \"" + base + "/" + launcherBuild + "\", \"sha1\": \"" +
             HexDigestOf(launcherBinary, true) + "\"}\n",
         ""},
        // Launchers would update to what is not theirs: the game or library, or the reverse.
        {launcher, ManifestText(sha1, url),
         launcher + ": names " + build + ", which is not a launcher of this project"},
        {stub, ManifestText(HexDigestOf(launcherBinary), base + "/" + launcherBuild),
         stub + ": names " + launcherBuild + ", which is not a DLL"},
        {build, std::nullopt, stub + ": names " + build + ", which cannot be opened"},
        {build, "x",
         stub + ": names " + build +
             ", whose SHA-1 is 11f6ad8ec52a2984abaafd7c3b516503785c2072, not " + sha1},
        {launcher, R"({"sha1":"",})", launcher + ": not one JSON value"},
        {launcher, ManifestText(sha1, ""), launcher + ": no \"url\" string"},
        {launcher, ManifestText(sha1, "https://cdn.example.com/" + build),
         launcher + ": \"url\" https://cdn.example.com/" + build + " names no file under " + base},
        // The library's input lies beside the root, with the digest the manifest gives.
        {launcher, ManifestText(sha1, base + "/../QGClient.dll"),
         launcher + ": \"url\" " + base + "/../QGClient.dll names no file under " + base},
        {launcher, ManifestText(sha1, url) + std::string(65536, ' '),
         launcher + ": larger than 64 KiB"},
        {launcher, std::nullopt, launcher + ": missing"},
        // A launcher asks only for lower-case stub ids, and for each one's manifest.
        {"stub/ABC/manifest.json", ManifestText(sha1, url), "stub/ABC: not a stub id"},
        {zeros + "/other.json", "x", zeros + "/manifest.json: missing"},
    };
    for (const auto& c : changes) {
        const PublishWorkspace w;
        ASSERT_EQ(std::get<0>(w.PublishAll()), 0);
        if (c.bytes) {
            w.Put("www/" + c.path, *c.bytes);
        } else {
            std::filesystem::remove(w.Root() / c.path);
        }
        const auto [status, out, err] = w.Verify();
        EXPECT_EQ(status, c.problem.empty() ? 0 : 1) << c.path << '\n' << err;
        EXPECT_EQ(c.problem.empty(), err.empty()) << err;
        EXPECT_NE(err.find(c.problem.empty() ? "" : "qg-publish: " + c.problem), std::string::npos)
            << err;
    }
}

// Builds on a CDN's host, manifests on the update server: asked to fetch each build from its URL
// (here on a host that cannot be reached), verify names the one it could not.
TEST(VerifyTreeTest, FetchesBuildsOnAnotherHostFromTheirUrls) {
    const PublishWorkspace w;
    const std::string cdn = "https://cdn.invalid";
    ASSERT_EQ(std::get<0>(RunTool(w.PublishArguments(
                  {"--files-base-url", cdn, "--launcher", w.Input("launcher.exe")}))),
              0);
    const auto [status, out, err] = w.Verify({"--files-base-url", cdn, "--fetch-files"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("names " + cdn + "/files/"), std::string::npos) << err;
}

}  // namespace
}  // namespace quillguard::testing
