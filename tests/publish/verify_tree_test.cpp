#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <string>

#include "publish_workspace.h"

namespace quillguard::testing {
namespace {

// A tree as publish leaves it, then one thing broken or changed.
struct Change {
    std::string what;
    std::function<void(const PublishWorkspace&, const std::string& libraryBuild)> change;
    std::string problem;  // what verify says on standard error; empty when the tree is sound
};

TEST(VerifyTreeTest, NamesEveryManifestTheLauncherWouldRefuseOrWhoseBuildIsNotThere) {
    const std::string launcherManifest = "www/launcher/manifest.json";
    const auto manifest = [](const std::string& sha1, const std::string& url) {
        return ManifestText(sha1, std::wstring(url.begin(), url.end()));
    };
    const std::string base = kBaseUrl;
    const Change changes[] = {
        {"nothing", [](auto&, auto&) {}, ""},
        {"a manifest as the launcher also reads it: upper-case digest, more members, spaces",
         [&](const PublishWorkspace& w, const std::string& build) {
             std::string sha1 = build.substr(6, 40);
             for (char& c : sha1) {
                 c = static_cast<char>(std::toupper(c));
             }
             w.Put(launcherManifest, " {\"v\": 2, \"url\": \"" + base + "/" + build +
                                         "\", \"sha1\": \"" + sha1 + "\"}\n");
         },
         ""},
        {"a missing build",
         [](const PublishWorkspace& w, const std::string& build) {
             std::filesystem::remove(w.Root() / build);
         },
         "stub/" + HexDigestOf(Code("Foo")) + "/manifest.json: names files/"},
        {"a build with other bytes",
         [](const PublishWorkspace& w, const std::string& build) { w.Put("www/" + build, "x"); },
         ", whose SHA-1 is 11f6ad8ec52a2984abaafd7c3b516503785c2072, not "},
        {"a trailing comma",
         [&](const PublishWorkspace& w, auto&) { w.Put(launcherManifest, R"({"sha1":"",})"); },
         "launcher/manifest.json: not one JSON value"},
        {"an HTML page", [&](const PublishWorkspace& w, auto&) { w.Put(launcherManifest, "<h1>"); },
         "launcher/manifest.json: not one JSON value"},
        {"an array", [&](const PublishWorkspace& w, auto&) { w.Put(launcherManifest, "[]"); },
         "launcher/manifest.json: not a JSON object"},
        {"a short digest",
         [&](const PublishWorkspace& w, const std::string& build) {
             w.Put(launcherManifest, manifest(build.substr(6, 39), base + "/" + build));
         },
         "launcher/manifest.json: no \"sha1\" string of 40 hex digits"},
        {"no url",
         [&](const PublishWorkspace& w, const std::string& build) {
             w.Put(launcherManifest, manifest(build.substr(6, 40), ""));
         },
         "launcher/manifest.json: no \"url\" string"},
        {"a url on another host",
         [&](const PublishWorkspace& w, const std::string& build) {
             w.Put(launcherManifest,
                   manifest(build.substr(6, 40), "https://cdn.example.com/" + build));
         },
         "launcher/manifest.json: \"url\" https://cdn.example.com/files/"},
        {"a url out of the root",
         [&](const PublishWorkspace& w, const std::string& build) {
             w.Put("outside.dll", w.Content("www/" + build));
             w.Put(launcherManifest, manifest(build.substr(6, 40), base + "/../outside.dll"));
         },
         "names no file under " + base},
        {"a manifest over 64 KiB",
         [&](const PublishWorkspace& w, const std::string& build) {
             w.Put(launcherManifest,
                   manifest(build.substr(6, 40), base + "/" + build) + std::string(65536, ' '));
         },
         "launcher/manifest.json: larger than 64 KiB"},
        {"no launcher manifest",
         [](const PublishWorkspace& w, auto&) {
             std::filesystem::remove(w.Root() / "launcher/manifest.json");
         },
         "launcher/manifest.json: missing"},
        {"a stub folder in upper case",
         [](const PublishWorkspace& w, auto&) {
             std::filesystem::create_directories(w.Root() / "stub/ABC");
         },
         "stub/ABC: not a stub id"},
        {"a stub without its manifest",
         [](const PublishWorkspace& w, auto&) {
             std::filesystem::create_directories(w.Root() / ("stub/" + std::string(40, '0')));
         },
         "stub/" + std::string(40, '0') + "/manifest.json: missing"},
    };
    for (const Change& c : changes) {
        const PublishWorkspace w;
        ASSERT_EQ(std::get<0>(w.PublishAll()), 0);
        c.change(w, "files/" + HexDigestOf(w.Content("QGClient.dll")) + ".dll");
        const auto [status, out, err] = w.Verify();
        EXPECT_EQ(status, c.problem.empty() ? 0 : 1) << c.what << '\n' << err;
        if (c.problem.empty()) {
            EXPECT_EQ(err, "") << c.what;
        } else {
            EXPECT_NE(err.find("qg-publish: "), std::string::npos) << c.what;
            EXPECT_NE(err.find(c.problem), std::string::npos) << c.what << '\n' << err;
        }
    }
    // Verified against another server, every manifest names builds it does not serve.
    const PublishWorkspace w;
    ASSERT_EQ(std::get<0>(w.PublishAll()), 0);
    const auto [status, out, err] = w.Verify("https://updates.example.com");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;
}

}  // namespace
}  // namespace quillguard::testing
