#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "net/http_client.h"
#include "test_servers.h"
#include "winhttp_errors.h"

namespace quillguard {
namespace {

using testing::FaultUrl;
using testing::kCannotConnect;
using testing::kConnectionError;
using testing::kInvalidServerResponse;
using testing::kResetInTheBody;
using testing::kUnrecognizedScheme;
using testing::kUntrustedCertificate;
using testing::Pattern;
using testing::Publish;
using testing::ReadWholeFile;
using testing::RefusedUrl;
using testing::ScratchPath;
using testing::TrustedUrl;
using testing::UnknownAuthorityUrl;
using testing::WriteWholeFile;

const std::string kPrevious = "the build that was there before";

// What is at the target path after a download.
enum class Left { Body, Previous, Empty, Nothing };

struct Case {
    const char* what;
    std::wstring url;
    bool ok;
    Left left;
    std::vector<DWORD> lastError;  // any of these
    std::string body = {};         // for Left::Body
};

void Check(const Case& c, HttpClient& client) {
    const std::wstring target = ScratchPath(L"download.bin");
    WriteWholeFile(target, kPrevious);
    EXPECT_EQ(client.DownloadToFile(c.url, target, {}), c.ok) << c.what;
    EXPECT_TRUE(testing::OneOf(client.lastError(), c.lastError))
        << c.what << ": " << client.lastError();
    std::string content;
    const bool present = ReadWholeFile(target, content);
    switch (c.left) {
        case Left::Body:
            EXPECT_TRUE(present && content == c.body) << c.what << ": " << content.size();
            break;
        case Left::Previous:
            EXPECT_TRUE(present && content == kPrevious) << c.what;
            break;
        case Left::Empty:
            EXPECT_TRUE(present && content.empty()) << c.what;
            break;
        case Left::Nothing:
            EXPECT_FALSE(present) << c.what;
            break;
    }
    ::DeleteFileW(target.c_str());
}

TEST(DownloadToFileTest, LeavesWhatEachOutcomePromises) {
    const std::string build = Pattern(300000);
    const std::wstring buildPath = Publish(L"build.bin", build);
    const std::wstring emptyPath = Publish(L"empty.bin", "");
    const Case cases[] = {
        {"success", TrustedUrl(buildPath), true, Left::Body, {0}, build},
        {"success over plain http", FaultUrl(L"/bytes/5000"), true, Left::Body, {0}, Pattern(5000)},
        {"empty body", TrustedUrl(emptyPath), true, Left::Empty, {0}},
        {"empty URL", L"", false, Left::Previous, {kUnrecognizedScheme}},
        {"unsupported scheme",
         L"ftp://localhost/build.bin",
         false,
         Left::Previous,
         {kUnrecognizedScheme}},
        {"connection refused", RefusedUrl(), false, Left::Empty, {kCannotConnect}},
        {"unknown certificate authority", UnknownAuthorityUrl(buildPath), false, Left::Empty,
         kUntrustedCertificate},
        {"closed without an answer",
         FaultUrl(L"/hangup"),
         false,
         Left::Empty,
         {kInvalidServerResponse}},
        {"404 over an existing file",
         TrustedUrl(L"/transport/no-such.bin"),
         false,
         Left::Nothing,
         {404}},
        {"500", FaultUrl(L"/status/500"), false, Left::Nothing, {500}},
        {"reset in the body", FaultUrl(L"/reset/5000"), false, Left::Nothing, kResetInTheBody},
        {"body shorter than its length",
         FaultUrl(L"/short/5000"),
         false,
         Left::Nothing,
         {kConnectionError}},
    };
    for (const Case& c : cases) {
        HttpClient client;
        Check(c, client);
    }
}

TEST(DownloadToFileTest, TouchesNoFileWhenTheSessionIsClosed) {
    HttpClient client;
    client.Close();
    Check({"closed session", FaultUrl(L"/bytes/10"), false, Left::Previous, {0}}, client);
}

TEST(DownloadToFileTest, LeavesAFileThatCannotBeOpenedAlone) {
    const std::wstring target = ScratchPath(L"locked.bin");
    WriteWholeFile(target, kPrevious);
    {
        // Another process holding the file without sharing, as a running game holds its DLL.
        const UniqueFileHandle holder(::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        HttpClient client;
        EXPECT_FALSE(client.DownloadToFile(FaultUrl(L"/bytes/10"), target, {}));
        EXPECT_EQ(client.lastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    std::string content;
    EXPECT_TRUE(ReadWholeFile(target, content));
    EXPECT_EQ(content, kPrevious);
    ::DeleteFileW(target.c_str());
}

TEST(DownloadToFileTest, ReportsProgressOnlyWhenTheLengthIsAnnounced) {
    struct ProgressCase {
        std::wstring path;
        std::vector<float> calls;
    };
    const ProgressCase cases[] = {
        {L"/pieces/400,200,200", {0.0F, 50.0F, 75.0F, 100.0F}},
        {L"/pieces-no-length/400,200,200", {}},
    };
    for (const ProgressCase& c : cases) {
        const std::wstring target = ScratchPath(L"progress.bin");
        HttpClient client;
        std::vector<float> calls;
        EXPECT_TRUE(client.DownloadToFile(FaultUrl(c.path), target,
                                          [&calls](float percent) { calls.push_back(percent); }));
        EXPECT_EQ(calls, c.calls) << ::testing::PrintToString(c.path);
        std::string content;
        EXPECT_TRUE(ReadWholeFile(target, content) && content == Pattern(800));
        ::DeleteFileW(target.c_str());
    }
}

}  // namespace
}  // namespace quillguard
