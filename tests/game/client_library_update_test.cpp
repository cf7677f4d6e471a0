// The client library update under wine, on real files (Windows paths, Windows' own file calls)
// with the server played from a table and the file calls that a disk cannot be made to fail
// injected.
#include "game/client_library_update.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "support/failing_file_system.h"
#include "support/fake_http_session.h"
#include "support/fake_launcher_log.h"
#include "support/fake_processes.h"
#include "support/manifest_text.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::CallLog;
using testing::HexDigestOf;

const std::string kOld = "the installed library";
const std::string kNew = "the library the server names";
const std::wstring kBase = L"https://updates.test";
// The client target below cannot be read, so the stub id is forty "0" digits.
const std::wstring kManifestUrl = kBase + L"/stub/" + std::wstring(40, L'0') + L"/manifest.json";
const std::wstring kBuildUrl = kBase + L"/builds/QGClient.dll";

std::string Manifest(const std::string& sha1, bool withUrl = true) {
    return testing::ManifestText(sha1, withUrl ? kBuildUrl : L"");
}

// A launcher folder of its own with the fakes around it, emptied before and after.
struct LauncherFolder {
    LauncherFolder() {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        session.bodies = {{kBuildUrl, kNew}};
    }
    ~LauncherFolder() { std::filesystem::remove_all(path); }

    std::filesystem::path Library() const { return path / L"QGClient.dll"; }
    void Install(const std::string& bytes) const {
        std::ofstream(Library(), std::ios::binary) << bytes;
    }
    std::string Installed() const {
        return testing::ReadWholeFile(Library()).value_or("<missing>");
    }
    // Every file in the folder but the library.
    std::vector<std::wstring> Others() const {
        std::vector<std::wstring> names;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.path() != Library()) {
                names.push_back(entry.path().filename().wstring());
            }
        }
        return names;
    }
    LauncherError Update() {
        const GameTargets targets{L"", path.wstring(), (path / L"Missing.exe").wstring()};
        return UpdateClientLibrary(targets, self, {session, kBase, nullptr, log}, files, processes)
            .code;
    }

    inline static const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        (L"qg-library-" + std::to_wstring(::GetCurrentProcessId()));
    CallLog calls;
    testing::FakeHttpSession session{calls};
    testing::FakeLauncherLog log{calls};
    testing::FailingFileSystem files;
    testing::FakeProcesses processes{calls};
    const LauncherFacts self{(path / L"Foo_QG.exe").wstring(), L"", L"", false};
};

TEST(ClientLibraryUpdateTest, LeavesTheOldLibraryOrTheVerifiedNewOneAndRemovesLeftovers) {
    const std::wstring fetch = L"fetch " + kManifestUrl;
    const CallLog paused = {fetch, L"wait 300"};
    const CallLog fetched = {fetch};
    const CallLog downloaded = {fetch, L"download " + kBuildUrl};
    const std::string missing = "<missing>";
    const std::string stale = Manifest(HexDigestOf(kNew));
    // A reader holds the library: the move is tried again for about two seconds.
    CallLog heldForGood = downloaded;
    heldForGood.insert(heldForGood.end(), 19, L"wait 100");
    const CallLog heldForASecond(heldForGood.begin(), heldForGood.end() - 9);
    const CallLog elevatedCopy = {fetch, L"elevated?",
                                  L"runas and wait " +
                                      (LauncherFolder::path / L"Foo_QG.exe").wstring() +
                                      L" [--quillguard-update-only]",
                                  fetch};
    std::optional<LauncherFolder> folder;
    UniqueFileHandle inUse;
    const auto holdLibrary = [&] {
        inUse.reset(::CreateFileW(folder->Library().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    };
    struct Case {
        std::string installed;  // "<missing>" for none
        std::string manifest;   // "<none>": the fetch fails
        LauncherError code;
        std::string after;  // the library's bytes afterwards
        CallLog calls;
        std::function<void()> arrange = [] {};
    };
    const Case cases[] = {
        {kOld, Manifest(HexDigestOf(kOld)), kSuccess, kOld, paused},
        // Only forty "0" digits match a missing library.
        {missing, Manifest(std::string(40, '0'), false), kSuccess, missing, paused},
        {missing, stale, kSuccess, kNew, downloaded},
        {kOld, stale, kSuccess, kNew, downloaded},
        {kOld, Manifest(HexDigestOf(kNew), false), kStubManifestMissingUrl, kOld, fetched},
        {kOld, "<none>", kStubManifestFetchFailed, kOld, fetched},
        {kOld, "[" + stale + "]", kStubManifestMissingSha1, kOld, fetched},
        {kOld,
         Manifest(HexDigestOf(kNew + "!")),
         kStubChecksumMismatch,
         kOld,
         {fetch, L"download " + kBuildUrl,
          L"log refused path=/stub/" + std::wstring(40, L'0') + L"/manifest.json reason=digest"}},
        // The folder cannot be written, even elevated; or an elevated copy may, and did.
        {kOld,
         stale,
         kStubDownloadFailed,
         kOld,
         {fetch, L"elevated?"},
         [&] {
             folder->files.temporaryError = kErrorAccessDenied;
             folder->processes.elevated = true;
         }},
        {kOld, stale, kSuccess, kNew, elevatedCopy,
         [&] {
             folder->files.temporaryError = kErrorAccessDenied;
             folder->processes.elevatedCopy = [&] {
                 folder->Install(kNew);
                 return 0u;
             };
         }},
        {kOld, stale, kStubDownloadFailed, kOld, downloaded,
         [&] { folder->session.brokenDownload = kNew.substr(0, 5); }},
        // As Windows holds a library that a running game has loaded: no one may delete or rename
        // it. A scanner lets go after a moment.
        {kOld, stale, kStubDownloadFailed, kOld, heldForGood, holdLibrary},
        {kOld, stale, kSuccess, kNew, heldForASecond,
         [&] {
             holdLibrary();
             folder->processes.onWait = [&, waits = 0]() mutable {
                 if (++waits == 10) {
                     inUse.reset();
                 }
             };
         }},
    };
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        const std::string name = "row " + std::to_string(row);
        folder.emplace();
        if (c.installed != missing) {
            folder->Install(c.installed);
        }
        if (c.manifest != "<none>") {
            folder->session.bodies[kManifestUrl] = c.manifest;
        }
        // What an interrupted run left, and a file of the player's that looks alike.
        std::ofstream(folder->path / L"QGC1A2B.tmp") << "half a download";
        std::ofstream(folder->path / L"notes.tmp") << "the player's";
        c.arrange();
        EXPECT_EQ(folder->Update(), c.code) << name;
        inUse.reset();
        EXPECT_EQ(folder->Installed(), c.after) << name;
        EXPECT_EQ(folder->Others(), std::vector<std::wstring>{L"notes.tmp"}) << name;
        EXPECT_EQ(folder->calls, c.calls) << name;
    }
}

}  // namespace
}  // namespace quillguard
