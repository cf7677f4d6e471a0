// The self-update on real files (Windows paths, Windows' own file calls), the server played from
// a table, the replace command and the process's end recorded instead of run.
#include "update/self_update.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "support/failing_file_system.h"
#include "support/fake_http_session.h"
#include "support/fake_launcher_log.h"
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

namespace fs = std::filesystem;

// A game folder with the running launcher in it and a temporary folder of its own, which no
// other test's launcher writes to; both are removed before and after.
struct Installation {
    Installation() {
        fs::remove_all(root);
        fs::create_directories(temporary);
        fs::create_directories(launcher.parent_path());
        ::SetEnvironmentVariableW(L"TMP", temporary.c_str());
        ::SetEnvironmentVariableW(L"TEMP", temporary.c_str());
        std::ofstream(launcher, std::ios::binary) << kOld;
        processes.launcherPath = launcher.wstring();
        processes.forwarded = L"\"a b\" x&y";
        session.bodies = {{kBuildUrl, kNew}};
    }
    ~Installation() {
        ::SetFileAttributesW(launcher.c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(root);
    }

    // What the update left in the temporary folder.
    std::vector<fs::path> Downloads() const {
        return {fs::directory_iterator(temporary), fs::directory_iterator()};
    }
    // The launcher's bytes, checked to be alone in its folder.
    std::string Launcher() const {
        const auto count =
            std::distance(fs::directory_iterator(launcher.parent_path()), fs::directory_iterator());
        return count == 1 ? testing::ReadWholeFile(launcher).value_or("<unreadable>")
                          : std::to_string(count) + " files";
    }
    LauncherError Update() { return UpdateLauncher(kBase, downloads, files, processes, log); }

    // Found once: each installation points TMP into itself.
    inline static const fs::path root =
        fs::temp_directory_path() / (L"qg-self-update-" + std::to_wstring(::GetCurrentProcessId()));
    const fs::path temporary = root / L"temp";
    const fs::path launcher = root / L"game" / L"Foo_QG.exe";
    CallLog calls;
    testing::FakeHttpSession session{calls};
    testing::FakeDownloads downloads{session};
    testing::FailingFileSystem files;
    testing::FakeProcesses processes{calls};
    testing::FakeLauncherLog log{calls};
};

TEST(SelfUpdateTest, ACurrentOrUnusableManifestLeavesTheLauncherAndMakesNoFile) {
    struct Case {
        std::string manifest;  // "<none>": the fetch fails
        LauncherError code;
        CallLog calls;
    };
    const Case cases[] = {
        {ManifestText(HexDigestOf(kOld)), kSuccess, {kFetch}},
        {"<none>", kLauncherManifestFetchFailed, {kFetch}},
        {"<html>", kLauncherManifestFetchFailed, {kFetch}},
        {R"({"url":"https://updates.test/x"})", kLauncherManifestMissingSha1, {kFetch}},
        {ManifestText(HexDigestOf(kNew)), kLauncherManifestMissingUrl, {kFetch}},
        {ManifestText(HexDigestOf(kNew + "!"), kBuildUrl),
         kLauncherChecksumMismatch,
         {kFetch, kDownload}},
    };
    for (const Case& c : cases) {
        Installation installation;
        if (c.manifest != "<none>") {
            installation.session.bodies[kManifestUrl] = c.manifest;
        }
        EXPECT_EQ(installation.Update(), c.code) << c.manifest;
        EXPECT_EQ(installation.calls, c.calls) << c.manifest;
        EXPECT_EQ(installation.Launcher(), kOld) << c.manifest;
        EXPECT_TRUE(installation.Downloads().empty()) << c.manifest;
    }
}

TEST(SelfUpdateTest, HandsTheVerifiedDownloadToTheReplaceCommandAndEnds) {
    Installation installation;
    installation.session.bodies[kManifestUrl] = ManifestText(HexDigestOf(kNew), kBuildUrl);
    EXPECT_EQ(installation.Update(), kSuccess);
    const auto left = installation.Downloads();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(testing::ReadWholeFile(left[0]), kNew);
    const std::wstring command =
        BuildReplaceCommand(left[0].wstring(), installation.launcher.wstring(), L"\"a b\" x&y",
                            L"C:\\Windows\\system32");
    EXPECT_EQ(installation.calls,
              (CallLog{kFetch, kDownload, L"log hand-over",
                       L"hidden C:\\Windows\\system32\\cmd.exe: " + command, L"exit 0"}));
    // The command replaces the launcher after the process has ended; the probe of its folder
    // is gone.
    EXPECT_EQ(installation.Launcher(), kOld);
}

TEST(SelfUpdateTest, EveryFailedStepAfterTheCheckRemovesItsDownload) {
    std::optional<Installation> i;
    const std::tuple<const char*, LauncherError, std::function<void()>> failures[] = {
        {"no temporary folder", kNoTemporaryPath, [&] { i->files.failTemporaryFolder = true; }},
        {"no temporary file", kNoTemporaryFile, [&] { i->files.failTemporary = true; }},
        {"broken download", kLauncherDownloadFailed,
         [&] { i->session.brokenDownload = kNew.substr(0, 4); }},
        {"command not started", kUpdateProcessFailed, [&] { i->processes.hiddenStarts = false; }},
        {"no system folder", kUpdateProcessFailed, [&] { i->processes.systemFolder.clear(); }},
        // The copy over the launcher would fail unseen after the launcher has ended.
        {"folder cannot be written", kUpdateProcessFailed,
         [&] { i->files.unwritableFolder = i->launcher.parent_path().wstring(); }},
        {"read-only launcher", kUpdateProcessFailed,
         [&] { ::SetFileAttributesW(i->launcher.c_str(), FILE_ATTRIBUTE_READONLY); }},
    };
    for (const auto& [what, code, arrange] : failures) {
        i.emplace();
        i->session.bodies[kManifestUrl] = ManifestText(HexDigestOf(kNew), kBuildUrl);
        arrange();
        EXPECT_EQ(i->Update(), code) << what;
        EXPECT_EQ(i->Launcher(), kOld) << what;
        EXPECT_TRUE(i->Downloads().empty()) << what;
        EXPECT_EQ(std::count(i->calls.begin(), i->calls.end(), L"exit 0"), 0) << what;
    }
}

}  // namespace
}  // namespace quillguard
