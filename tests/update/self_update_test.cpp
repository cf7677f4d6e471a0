// The self-update on real files (Windows paths, Windows' own file calls), the server played from
// a table, the replace command and the process's end recorded instead of run.
#include "update/self_update.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/failing_file_system.h"
#include "support/fake_http_session.h"
#include "support/fake_processes.h"
#include "support/manifest_text.h"
#include "support/scratch_file.h"
#include "update/replace_command.h"

namespace quillguard {
namespace {

using testing::CallLog;
using testing::HexDigestOf;
using testing::ManifestText;

const std::string kOld = "the running launcher";
const std::string kNew = "the launcher the server names";
const std::wstring kBase = L"https://updates.test";
const std::wstring kManifestUrl = kBase + L"/launcher/manifest.json";
const std::wstring kBuildUrl = kBase + L"/builds/launcher.exe";
const std::wstring kFetch = L"fetch " + kManifestUrl;
const std::wstring kDownload = L"download " + kBuildUrl;

class SelfUpdateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::remove_all(Root());
        std::filesystem::create_directories(Temporary());
        std::filesystem::create_directories(Folder());
        // A temporary folder of this test's own, which no other test's launcher writes to.
        ::SetEnvironmentVariableW(L"TMP", Temporary().c_str());
        ::SetEnvironmentVariableW(L"TEMP", Temporary().c_str());
        std::ofstream(Launcher(), std::ios::binary) << kOld;
        processes.launcherPath = Launcher().wstring();
        processes.forwarded = L"\"a b\" x&y";
        processes.hiddenStarts = true;
        processes.systemFolder = L"C:\\Windows\\system32";
        files.failTemporaryFolder = files.failTemporary = false;
        files.unwritableFolder.clear();
        session.bodies = {{kBuildUrl, kNew}};
        session.brokenDownload.reset();
        calls.clear();
    }
    void TearDown() override {
        ::SetFileAttributesW(Launcher().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(Root());
    }

    static std::filesystem::path Root() {
        static const std::filesystem::path root =
            std::filesystem::temp_directory_path() /
            (L"qg-self-update-" + std::to_wstring(::GetCurrentProcessId()));
        return root;
    }
    static std::filesystem::path Temporary() { return Root() / L"temp"; }
    static std::filesystem::path Folder() { return Root() / L"game"; }
    static std::filesystem::path Launcher() { return Folder() / L"Foo_QG.exe"; }
    std::string LauncherBytes() const {
        return testing::ReadWholeFile(Launcher()).value_or("<missing>");
    }
    // What the update left in the temporary folder.
    static std::vector<std::filesystem::path> Downloads() {
        return {std::filesystem::directory_iterator(Temporary()),
                std::filesystem::directory_iterator()};
    }
    static std::size_t FilesBesideLauncher() {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(Folder()),
                                                      std::filesystem::directory_iterator()));
    }
    LauncherError Update() { return UpdateLauncher(kBase, downloads, files, processes); }

    CallLog calls;
    testing::FakeHttpSession session{calls};
    testing::FakeDownloads downloads{session};
    testing::FailingFileSystem files;
    testing::FakeProcesses processes{calls};
};

struct Case {
    std::string manifest;  // "<none>": the fetch fails
    LauncherError code;
    CallLog calls;
};

TEST_F(SelfUpdateTest, ACurrentOrUnusableManifestLeavesTheLauncherAndMakesNoFile) {
    const Case cases[] = {
        {ManifestText(HexDigestOf(kOld)), kSuccess, {kFetch}},
        // A current launcher needs no "url".
        {ManifestText(HexDigestOf(kOld, true)), kSuccess, {kFetch}},
        {"<none>", kLauncherManifestFetchFailed, {kFetch}},
        {"<html>", kLauncherManifestFetchFailed, {kFetch}},
        {R"({"url":"https://updates.test/x"})", kLauncherManifestMissingSha1, {kFetch}},
        {"[" + ManifestText(HexDigestOf(kNew), kBuildUrl) + "]",
         kLauncherManifestMissingSha1,
         {kFetch}},
        {ManifestText(HexDigestOf(kNew)), kLauncherManifestMissingUrl, {kFetch}},
        {ManifestText(HexDigestOf(kNew + "!"), kBuildUrl),
         kLauncherChecksumMismatch,
         {kFetch, kDownload}},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.manifest != "<none>") {
            session.bodies[kManifestUrl] = c.manifest;
        }
        EXPECT_EQ(Update(), c.code) << c.manifest;
        EXPECT_EQ(calls, c.calls) << c.manifest;
        EXPECT_EQ(LauncherBytes(), kOld) << c.manifest;
        EXPECT_TRUE(Downloads().empty()) << c.manifest;
        EXPECT_EQ(FilesBesideLauncher(), 1u) << c.manifest;
    }
}

TEST_F(SelfUpdateTest, HandsTheVerifiedDownloadToTheReplaceCommandAndEnds) {
    session.bodies[kManifestUrl] = ManifestText(HexDigestOf(kNew), kBuildUrl);
    EXPECT_EQ(Update(), kSuccess);
    const auto left = Downloads();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(testing::ReadWholeFile(left[0]), kNew);
    const std::wstring download = left[0].wstring();
    const std::wstring launcher = Launcher().wstring();
    EXPECT_EQ(calls, (CallLog{kFetch, kDownload,
                              L"hidden C:\\Windows\\system32\\cmd.exe: " +
                                  BuildReplaceCommand(download, launcher, L"\"a b\" x&y",
                                                      L"C:\\Windows\\system32"),
                              L"exit 0"}));
    // The command replaces the launcher after the process has ended; the probe of its folder
    // is gone.
    EXPECT_EQ(LauncherBytes(), kOld);
    EXPECT_EQ(FilesBesideLauncher(), 1u);
}

TEST_F(SelfUpdateTest, EveryFailedStepAfterTheCheckRemovesItsDownload) {
    struct Failure {
        const char* what;
        LauncherError code;
        std::function<void()> arrange;
    };
    const Failure failures[] = {
        {"no temporary folder", kNoTemporaryPath, [&] { files.failTemporaryFolder = true; }},
        {"no temporary file", kNoTemporaryFile, [&] { files.failTemporary = true; }},
        {"broken download", kLauncherDownloadFailed,
         [&] { session.brokenDownload = kNew.substr(0, 4); }},
        {"command not started", kUpdateProcessFailed, [&] { processes.hiddenStarts = false; }},
        {"no system folder", kUpdateProcessFailed, [&] { processes.systemFolder.clear(); }},
        // The copy over the launcher would fail unseen after the launcher has ended.
        {"folder cannot be written", kUpdateProcessFailed,
         [&] { files.unwritableFolder = Folder().wstring(); }},
        {"read-only launcher", kUpdateProcessFailed,
         [&] { ::SetFileAttributesW(Launcher().c_str(), FILE_ATTRIBUTE_READONLY); }},
    };
    for (const Failure& failure : failures) {
        TearDown();
        SetUp();
        session.bodies[kManifestUrl] = ManifestText(HexDigestOf(kNew), kBuildUrl);
        failure.arrange();
        EXPECT_EQ(Update(), failure.code) << failure.what;
        EXPECT_EQ(LauncherBytes(), kOld) << failure.what;
        EXPECT_TRUE(Downloads().empty()) << failure.what;
        EXPECT_EQ(FilesBesideLauncher(), 1u) << failure.what;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), L"exit 0"), 0) << failure.what;
    }
}

}  // namespace
}  // namespace quillguard
