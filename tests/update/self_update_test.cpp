// The self-update on real files through Windows' own calls, failing on demand where a disk cannot
// be made to; the server played from a table, the restart and the exit recorded, not run.
#include "update/self_update.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "support/failing_file_system.h"
#include "support/fake_http_session.h"
#include "support/fake_instance_lock.h"
#include "support/fake_launcher_log.h"
#include "support/fake_processes.h"
#include "support/manifest_text.h"
#include "support/scratch_file.h"

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

namespace fs = std::filesystem;

// A game folder with the running launcher in it, removed before and after, and a server that
// names the new build.
struct Installation {
    Installation() {
        Remove();
        fs::create_directories(launcher.parent_path());
        std::ofstream(launcher, std::ios::binary) << kOld;
        session.bodies = {{kManifestUrl, ManifestText(HexDigestOf(kNew), kBuildUrl)},
                          {kBuildUrl, kNew}};
    }
    ~Installation() { Remove(); }

    // Removes the folder, with any read-only file a failed run left in it.
    static void Remove() {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(root, ignored)) {
            ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        fs::remove_all(root, ignored);
    }

    std::set<fs::path> Files() const {
        return std::set<fs::path>(fs::directory_iterator(launcher.parent_path()), {});
    }
    LauncherError Update() {
        return UpdateLauncher(self, kBase, nullptr, downloads, files, processes, lock, log).code;
    }

    inline static const fs::path root =
        fs::temp_directory_path() / (L"qg-self-update-" + std::to_wstring(::GetCurrentProcessId()));
    const fs::path launcher = root / L"game" / L"Foo_QG.exe";
    LauncherFacts self{launcher.wstring(), L"Foo_QG.exe -w", L"-w", false};
    const fs::path aside = root / L"game" / L"Foo_QG.exe.old";
    const fs::path staged = root / L"game" / L"Foo_QG.exe.new";
    CallLog calls;
    testing::FakeHttpSession session{calls};
    testing::FakeDownloads downloads{session};
    testing::FailingFileSystem files;
    testing::FakeProcesses processes{calls};
    testing::FakeInstanceLock lock{calls};
    testing::FakeLauncherLog log{calls};
};

TEST(SelfUpdateTest, SwapsInTheVerifiedBuildAndRestartsIt) {
    const auto installAsTheCopyWould = [](Installation& i) {
        i.files.temporaryError = kErrorAccessDenied;
        i.processes.elevatedCopy = [&i] {
            fs::rename(i.launcher, i.aside);
            std::ofstream(i.launcher, std::ios::binary) << kNew;
            return 0u;
        };
    };
    // Here, or through an elevated copy when the folder cannot be written: then this launcher
    // starts the new one as it would have.
    const std::tuple<std::function<void(Installation&)>, CallLog> runs[] = {
        {[](Installation&) {}, {kFetch, L"download " + kBuildUrl, L"wait 100", L"wait 100"}},
        {installAsTheCopyWould,
         {kFetch, L"elevated?",
          L"runas and wait " + (Installation::root / L"game" / L"Foo_QG.exe").wstring() +
              L" [--quillguard-update-only]"}},
    };
    for (const auto& [arrange, calls] : runs) {
        Installation i;
        // A scanner holds the new file for a moment: the move waits for it.
        int busy = 2;
        i.files.moveError = [&](const std::wstring&, const std::wstring& to) {
            return to == i.launcher.wstring() && busy-- > 0 ? kErrorSharingViolation : 0u;
        };
        arrange(i);
        EXPECT_EQ(i.Update(), kSuccess);
        // The lock is free before the new launcher starts, with the command line as it was.
        CallLog expected = calls;
        expected.insert(expected.end(),
                        {L"log hand-over", L"release",
                         L"restart " + i.launcher.wstring() + L": Foo_QG.exe -w", L"exit 0"});
        EXPECT_EQ(i.calls, expected);
        EXPECT_EQ(testing::ReadWholeFile(i.launcher), kNew);
        // The old launcher stays aside, for the next start to remove; nothing else stays.
        EXPECT_EQ(testing::ReadWholeFile(i.aside), kOld);
        EXPECT_EQ(i.Files(), (std::set<fs::path>{i.launcher, i.aside}));
    }
}

TEST(SelfUpdateTest, EveryFailedStepLeavesTheOldLauncherAloneAndNoFileBehind) {
    std::optional<Installation> i;
    const auto serve = [&](const std::string& manifest) {
        return [&i, manifest] { i->session.bodies[kManifestUrl] = manifest; };
    };
    // Fails the moves from these paths with this error.
    const auto failMoves = [&](std::vector<fs::path> paths,
                               std::uint32_t error = kErrorAccessDenied) {
        i->files.moveError = [paths, error](const std::wstring& from, const std::wstring&) {
            return std::count(paths.begin(), paths.end(), fs::path(from)) > 0 ? error : 0u;
        };
    };
    const std::tuple<const char*, LauncherError, std::function<void()>> failures[] = {
        {"unreadable manifest", kLauncherManifestFetchFailed, serve("<html>")},
        {"no digest", kLauncherManifestMissingSha1, serve(R"({"url":"https://updates.test/x"})")},
        {"no URL", kLauncherManifestMissingUrl, serve(ManifestText(HexDigestOf(kNew)))},
        {"another build", kLauncherChecksumMismatch,
         serve(ManifestText(HexDigestOf(kNew + "!"), kBuildUrl))},
        {"no temporary file", kNoTemporaryFile, [&] { i->files.temporaryError = 3; }},
        {"broken download", kLauncherDownloadFailed,
         [&] { i->session.brokenDownload = kNew.substr(0, 4); }},
        {"copy beside the launcher", kUpdateProcessFailed, [&] { i->files.failCopy = true; }},
        {"flush", kUpdateProcessFailed, [&] { i->files.flushError = 1117; }},
        {"copy differs", kLauncherChecksumMismatch, [&] { i->files.corruptCopy = true; }},
        {"rename aside", kUpdateProcessFailed, [&] { failMoves({i->launcher}); }},
        {"move in", kUpdateProcessFailed, [&] { failMoves({i->staged}); }},
        {"scanner never lets go", kUpdateProcessFailed,
         [&] { failMoves({i->staged}, kErrorSharingViolation); }},
        // The move back fails too: a copy, moved in, puts the old launcher back.
        {"move in and undo", kUpdateProcessFailed,
         [&] {
             failMoves({i->staged, i->aside});
         }},
        {"start", kUpdateProcessFailed, [&] { i->processes.restarts = false; }},
    };
    for (const auto& [what, code, arrange] : failures) {
        i.emplace();
        arrange();
        EXPECT_EQ(i->Update(), code) << what;
        EXPECT_EQ(testing::ReadWholeFile(i->launcher), kOld) << what;
        EXPECT_EQ(std::count(i->calls.begin(), i->calls.end(), L"exit 0"), 0) << what;
        // Only what a failed undo left aside stays, for the next start to remove.
        auto files = i->Files();
        files.erase(i->aside);
        EXPECT_EQ(files, std::set<fs::path>{i->launcher}) << what;
    }
}

TEST(SelfUpdateTest, AStartRemovesWhatAnEarlierUpdateLeftAndNeverWaitsForWhatItMayNotDelete) {
    Installation i;
    i.session.bodies[kManifestUrl] = ManifestText(HexDigestOf(kOld));
    const fs::path game = i.launcher.parent_path();
    for (const fs::path& file : {i.staged, i.aside, game / L"QGL1A2B.tmp", game / L"QGL3C4D.tmp",
                                 game / L"notes.tmp", game / L"QGL.txt"}) {
        std::ofstream(file) << "left";
    }
    // An installer left the launcher read-only, and so its renamed copy.
    ::SetFileAttributesW(i.aside.c_str(), FILE_ATTRIBUTE_READONLY);
    // A download that another process still writes stays.
    const UniqueFileHandle held(::CreateFileW((game / L"QGL3C4D.tmp").c_str(), GENERIC_WRITE, 0,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(i.Update(), kSuccess);
    EXPECT_EQ(i.Files(), (std::set<fs::path>{i.launcher, game / L"QGL3C4D.tmp", game / L"QGL.txt",
                                             game / L"notes.tmp"}));

    // One this launcher may never delete (an elevated update left it): logged, not waited for.
    std::ofstream(i.aside) << "left";
    i.files.removeError = [&](const std::wstring& path) {
        return path == i.aside.wstring() ? kErrorAccessDenied : 0u;
    };
    i.calls.clear();
    EXPECT_EQ(i.Update(), kSuccess);
    EXPECT_EQ(i.calls, (CallLog{L"log leftover-kept error=5", kFetch}));
}

}  // namespace
}  // namespace quillguard
