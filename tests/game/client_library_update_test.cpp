// The client library update under wine, on real files (Windows paths, Windows' own file calls),
// the server played from a table and the file calls that a disk cannot be made to fail injected.
#include "game/client_library_update.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "base/unique_handle.h"
#include "support/failing_file_system.h"
#include "support/fake_http_session.h"
#include "support/fake_launcher_log.h"
#include "support/fake_processes.h"
#include "support/manifest_text.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

namespace fs = std::filesystem;
using testing::CallLog;
using testing::HexDigestOf;
using testing::ManifestText;

const std::string kOld = "the installed library";
const std::string kNew = "the library the server names";
const std::wstring kBase = L"https://updates.test";
// The client target below cannot be read, so the stub id is forty "0" digits.
const std::wstring kManifestPath = L"/stub/" + std::wstring(40, L'0') + L"/manifest.json";
const std::wstring kBuildUrl = kBase + L"/builds/QGClient.dll";
const fs::path kFolder =
    fs::temp_directory_path() / (L"qg-library-" + std::to_wstring(::GetCurrentProcessId()));
const fs::path kLibrary = kFolder / L"QGClient.dll";

// The fakes around the launcher folder, one set for each case.
struct Fakes {
    CallLog calls;
    testing::FakeHttpSession session{calls};
    testing::FakeLauncherLog log{calls};
    testing::FailingFileSystem files;
    testing::FakeProcesses processes{calls};
};

TEST(ClientLibraryUpdateTest, LeavesTheOldLibraryOrTheVerifiedNewOneAndRemovesLeftovers) {
    const std::wstring fetch = L"fetch " + kBase + kManifestPath;
    const CallLog paused = {fetch, L"wait 300"};
    const CallLog downloaded = {fetch, L"download " + kBuildUrl};
    const CallLog refused = {fetch, L"download " + kBuildUrl,
                             L"log refused path=" + kManifestPath + L" reason=digest"};
    const CallLog elevatedCopy = {
        fetch, L"elevated?",
        L"runas and wait " + (kFolder / L"Foo_QG.exe").wstring() + L" [--quillguard-update-only]",
        fetch};
    // A reader holds the library: the move is tried again for about two seconds.
    CallLog heldForGood = downloaded;
    heldForGood.insert(heldForGood.end(), 19, L"wait 100");
    const std::string stale = ManifestText(HexDigestOf(kNew), kBuildUrl);
    std::optional<Fakes> fakes;
    UniqueFileHandle inUse;
    // The folder cannot be written, even elevated; or an elevated copy may, and does.
    const auto unwritable = [&](bool elevated) {
        fakes->files.temporaryError = kErrorAccessDenied;
        fakes->processes.elevated = elevated;
        fakes->processes.elevatedCopy = [] {
            std::ofstream(kLibrary, std::ios::binary) << kNew;
            return 0u;
        };
    };
    const auto missing = [] { fs::remove(kLibrary); };
    const auto unreachable = [&] { fakes->session.bodies.clear(); };
    const auto broken = [&] { fakes->session.brokenDownload = kNew.substr(0, 5); };
    // As Windows holds a library that a running game has loaded: no one may delete or rename it.
    const auto held = [&] {
        inUse.reset(::CreateFileW(kLibrary.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    };
    struct Case {
        std::string manifest;
        LauncherError code;
        std::optional<std::string> after;  // the library's bytes afterwards
        CallLog calls;
        std::function<void()> arrange = [] {};
    };
    const Case cases[] = {
        {ManifestText(HexDigestOf(kOld)), kSuccess, kOld, paused},
        // Only forty "0" digits match a missing library.
        {ManifestText(std::string(40, '0')), kSuccess, {}, paused, missing},
        {stale, kSuccess, kNew, downloaded, missing},
        {stale, kSuccess, kNew, downloaded},
        {ManifestText(HexDigestOf(kNew)), kStubManifestMissingUrl, kOld, {fetch}},
        {stale, kStubManifestFetchFailed, kOld, {fetch}, unreachable},
        {"[" + stale + "]", kStubManifestMissingSha1, kOld, {fetch}},
        {ManifestText(HexDigestOf(kNew + "!"), kBuildUrl), kStubChecksumMismatch, kOld, refused},
        {stale, kStubDownloadFailed, kOld, {fetch, L"elevated?"}, [&] { unwritable(true); }},
        {stale, kSuccess, kNew, elevatedCopy, [&] { unwritable(false); }},
        {stale, kStubDownloadFailed, kOld, downloaded, broken},
        {stale, kStubDownloadFailed, kOld, heldForGood, held},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        fs::remove_all(kFolder);
        fs::create_directories(kFolder);
        fakes.emplace();
        fakes->session.bodies = {{kBase + kManifestPath, c.manifest}, {kBuildUrl, kNew}};
        std::ofstream(kLibrary, std::ios::binary) << kOld;
        // What an interrupted run left, and a file of the player's that looks alike.
        std::ofstream(kFolder / L"QGC1A2B.tmp") << "half a download";
        std::ofstream(kFolder / L"notes.tmp") << "the player's";
        c.arrange();
        const GameTargets targets{L"", kFolder.wstring(), (kFolder / L"Missing.exe").wstring()};
        const LauncherFacts self{(kFolder / L"Foo_QG.exe").wstring(), L"", L"", false};
        const UpdateSource source{fakes->session, kBase, nullptr, fakes->log};
        EXPECT_EQ(UpdateClientLibrary(targets, self, source, fakes->files, fakes->processes).code,
                  c.code);
        inUse.reset();
        EXPECT_EQ(testing::ReadWholeFile(kLibrary), c.after);
        std::set<fs::path> others(fs::directory_iterator(kFolder), {});
        others.erase(kLibrary);
        EXPECT_EQ(others, std::set<fs::path>{kFolder / L"notes.tmp"});
        EXPECT_EQ(fakes->calls, c.calls);
    }
    fs::remove_all(kFolder);
}

}  // namespace
}  // namespace quillguard
