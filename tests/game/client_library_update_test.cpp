// The client library update on real files (Windows paths, Windows' own file calls) with the
// server played from a table and the file calls that a disk cannot be made to fail injected.
#include "game/client_library_update.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/failing_file_system.h"
#include "support/fake_http_session.h"
#include "support/fake_processes.h"
#include "support/manifest_text.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::CallLog;

const std::string kOld = "the installed library";
const std::string kNew = "the library the server names";
const std::wstring kBase = L"https://updates.test";
// The client target below cannot be read, so the stub id is forty "0" digits.
const std::wstring kManifestUrl = kBase + L"/stub/" + std::wstring(40, L'0') + L"/manifest.json";
const std::wstring kBuildUrl = kBase + L"/builds/QGClient.dll";

std::string Hex(const std::string& bytes, bool upper = false) {
    return testing::HexDigestOf(bytes, upper);
}

std::string Manifest(const std::string& sha1, bool withUrl = true) {
    return testing::ManifestText(sha1, withUrl ? kBuildUrl : L"");
}

class ClientLibraryUpdateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  (L"qg-library-" + std::to_wstring(::GetCurrentProcessId()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        targets_.launcherDir = folder_.wstring();
        targets_.targetPath = (folder_ / L"Missing.exe").wstring();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path Library() const { return folder_ / L"QGClient.dll"; }
    void Install(const std::string& bytes) const {
        std::ofstream(Library(), std::ios::binary) << bytes;
    }
    std::string Installed() const {
        return testing::ReadWholeFile(Library()).value_or("<missing>");
    }
    // Every file in the folder but the library, which must be nothing after any update.
    std::vector<std::wstring> Others() const {
        std::vector<std::wstring> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            if (entry.path().filename() != L"QGClient.dll") {
                names.push_back(entry.path().filename().wstring());
            }
        }
        return names;
    }
    LauncherError Update() {
        return UpdateClientLibrary(targets_, kBase, session, files, processes);
    }

    std::filesystem::path folder_;
    GameTargets targets_;
    CallLog calls;
    testing::FakeHttpSession session{calls};
    testing::FailingFileSystem files;
    testing::FakeProcesses processes{calls};
};

struct Case {
    std::string installed;  // "<missing>" for none
    std::string manifest;   // "<none>": the fetch fails
    LauncherError code;
    std::string after;  // the library's bytes afterwards
    CallLog calls;
};

TEST_F(ClientLibraryUpdateTest, LeavesTheOldLibraryOrTheVerifiedNewOneAndNothingElse) {
    const std::wstring fetch = L"fetch " + kManifestUrl;
    const CallLog paused = {fetch, L"wait 300"};
    const CallLog downloaded = {fetch, L"download " + kBuildUrl};
    const std::string missing = "<missing>";
    const Case cases[] = {
        {kOld, Manifest(Hex(kOld)), kSuccess, kOld, paused},
        {kOld, Manifest(Hex(kOld, true), false), kSuccess, kOld, paused},
        // Only forty "0" digits match a missing library.
        {missing, Manifest(std::string(40, '0'), false), kSuccess, missing, paused},
        {missing, Manifest(Hex(kNew)), kSuccess, kNew, downloaded},
        {kOld, Manifest(Hex(kNew)), kSuccess, kNew, downloaded},
        {kOld, Manifest(Hex(kNew), false), kStubManifestMissingUrl, kOld, {fetch}},
        {kOld, "<none>", kStubManifestFetchFailed, kOld, {fetch}},
        {kOld, "<html>", kStubManifestFetchFailed, kOld, {fetch}},
        {kOld, "[" + Manifest(Hex(kNew)) + "]", kStubManifestMissingSha1, kOld, {fetch}},
        {kOld, R"({"url":"https://updates.test/x"})", kStubManifestMissingSha1, kOld, {fetch}},
        {kOld, Manifest(Hex(kNew + "!")), kStubChecksumMismatch, kOld, downloaded},
    };
    for (const Case& c : cases) {
        const std::string name = c.installed + " / " + c.manifest;
        TearDown();
        SetUp();
        calls.clear();
        if (c.installed != missing) {
            Install(c.installed);
        }
        session.bodies = {{kBuildUrl, kNew}};
        if (c.manifest != "<none>") {
            session.bodies[kManifestUrl] = c.manifest;
        }
        EXPECT_EQ(Update(), c.code) << name;
        EXPECT_EQ(Installed(), c.after) << name;
        EXPECT_TRUE(Others().empty()) << name;
        EXPECT_EQ(calls, c.calls) << name;
    }
}

TEST_F(ClientLibraryUpdateTest, FailedStepsKeepTheOldLibraryAndRemoveTheirFiles) {
    session.bodies = {{kManifestUrl, Manifest(Hex(kNew))}, {kBuildUrl, kNew}};
    Install(kOld);
    files.failTemporary = true;  // the folder cannot be written
    EXPECT_EQ(Update(), kStubDownloadFailed);
    files.failTemporary = false;
    files.failMove = true;
    EXPECT_EQ(Update(), kStubDownloadFailed);
    files.failMove = false;
    session.brokenDownload = kNew.substr(0, 5);
    EXPECT_EQ(Update(), kStubDownloadFailed);
    EXPECT_EQ(Installed(), kOld);
    EXPECT_TRUE(Others().empty());
}

TEST_F(ClientLibraryUpdateTest, ALibraryInUseIsNotReplaced) {
    session.bodies = {{kManifestUrl, Manifest(Hex(kNew))}, {kBuildUrl, kNew}};
    Install(kOld);
    // As Windows holds a library that a running game has loaded: no one may delete or rename it.
    const HANDLE inUse = ::CreateFileW(Library().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Update(), kStubDownloadFailed);
    ::CloseHandle(inUse);
    EXPECT_EQ(Installed(), kOld);
    EXPECT_TRUE(Others().empty());
}

TEST_F(ClientLibraryUpdateTest, RemovesWhatAnInterruptedRunLeftBehind) {
    session.bodies = {{kManifestUrl, Manifest(Hex(kOld))}};
    Install(kOld);
    std::ofstream(folder_ / L"QGC1A2B.tmp") << "half a download";
    std::ofstream(folder_ / L"notes.tmp") << "the player's";
    EXPECT_EQ(Update(), kSuccess);
    EXPECT_EQ(Others(), std::vector<std::wstring>{L"notes.tmp"});
}

TEST(StubManifestUrlTest, NamesTheStubByItsLowerCaseDigest) {
    EXPECT_EQ(StubManifestUrl(L"https://u.test:8443", Sha1FromHex(std::string(40, 'A'))),
              L"https://u.test:8443/stub/" + std::wstring(40, L'a') + L"/manifest.json");
}

}  // namespace
}  // namespace quillguard
