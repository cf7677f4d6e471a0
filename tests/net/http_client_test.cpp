// HttpClient against nginx and the fault server that ctest starts on 127.0.0.1.
#include "net/http_client.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "support/scratch_file.h"
#include "test_servers.h"

namespace quillguard {
namespace {

using testing::FaultUrl;
using testing::kTrustedServer;
using testing::OneOf;
using testing::Pattern;
using testing::ScratchFile;

const std::string kPrevious = "the build that was there before";
const std::string kUntouched = "left as it was";

TEST(HttpClientTest, FetchesAndDownloadsWhatEachAnswerPromises) {
    // Within the fetch limit, so that each answer means the same to both calls.
    const std::string build = Pattern(60000);
    const std::wstring buildPath = testing::Publish(L"build.bin", build);
    const DWORD kBadScheme = ERROR_WINHTTP_UNRECOGNIZED_SCHEME;
    const DWORD kNoAnswer = ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
    struct Case {
        const char* what;
        std::wstring url;
        std::vector<DWORD> lastError;  // any of these; {0} for a success
        // What the download leaves at its target: the body of a success; the previous file when
        // it failed before opening it, an empty one when it failed before a status, nothing after
        // a bad status or a broken body.
        std::optional<std::string> file = {};
    };
    const Case cases[] = {
        {"TLS, trusted authority", kTrustedServer + buildPath, {0}, build},
        {"TLS to the address", L"https://127.0.0.1:47443" + buildPath, {0}, build},
        {"zero bytes in the body", FaultUrl(L"/bytes/3000"), {0}, Pattern(3000)},
        {"empty body", FaultUrl(L"/bytes/0"), {0}, ""},
        {"no length", FaultUrl(L"/no-length/60000"), {0}, Pattern(60000)},
        {"chunked", FaultUrl(L"/chunked/50000"), {0}, Pattern(50000)},
        {"status 200", FaultUrl(L"/status/200"), {0}, "status 200"},
        {"status 299", FaultUrl(L"/status/299"), {0}, "status 299"},
        {"status 199", FaultUrl(L"/status/199"), {199}},
        {"status 300", FaultUrl(L"/status/300"), {300}},
        {"not published", kTrustedServer + L"/transport/no-such.bin", {404}},
        {"empty URL", L"", {kBadScheme}, kPrevious},
        {"unsupported scheme", L"ftp://127.0.0.1/x", {kBadScheme}, kPrevious},
        {"connection refused", testing::RefusedUrl(), {ERROR_WINHTTP_CANNOT_CONNECT}, ""},
        {"unknown authority", testing::kUnknownAuthorityServer + buildPath,
         testing::kUntrustedCertificate, ""},
        {"closed without an answer", FaultUrl(L"/hangup"), {kNoAnswer}, ""},
        {"not HTTP", FaultUrl(L"/garbage"), {kNoAnswer}, ""},
        {"reset in the body", FaultUrl(L"/reset/5000"), testing::kResetInTheBody},
        {"body shorter than its length",
         FaultUrl(L"/short/5000"),
         {ERROR_WINHTTP_CONNECTION_ERROR}},
    };
    for (const Case& c : cases) {
        const bool ok = c.lastError == std::vector<DWORD>{0};
        HttpClient fetcher;
        std::string text = kUntouched;
        EXPECT_EQ(fetcher.FetchString(c.url, text), ok) << c.what;
        EXPECT_TRUE(OneOf(fetcher.lastError(), c.lastError))
            << c.what << ": " << fetcher.lastError();
        // Compared as a whole: a failure message with the bodies in it would be unreadable.
        EXPECT_TRUE(text == (ok ? *c.file : kUntouched)) << c.what << ": " << text.size();

        HttpClient downloader;
        const ScratchFile target(kPrevious);
        EXPECT_EQ(downloader.DownloadToFile(c.url, target.path().wstring(), {}), ok) << c.what;
        EXPECT_TRUE(OneOf(downloader.lastError(), c.lastError))
            << c.what << ": " << downloader.lastError();
        EXPECT_TRUE(target.content() == c.file) << c.what;
    }
}

TEST(HttpClientTest, FetchesNoMoreThanAManifestMayHoldButDownloadsAnySize) {
    const std::string limit = Pattern(kFetchLimit);
    const std::string over = Pattern(kFetchLimit + 1);
    for (const std::wstring& url : {kTrustedServer + testing::Publish(L"limit.bin", limit),
                                    FaultUrl(L"/no-length/" + std::to_wstring(kFetchLimit))}) {
        HttpClient client;
        std::string text;
        EXPECT_TRUE(client.FetchString(url, text));
        EXPECT_TRUE(text == limit);
    }
    for (const std::wstring& url : {kTrustedServer + testing::Publish(L"over.bin", over),
                                    FaultUrl(L"/no-length/" + std::to_wstring(kFetchLimit + 1))}) {
        HttpClient client;
        std::string text = kUntouched;
        EXPECT_FALSE(client.FetchString(url, text));
        EXPECT_EQ(client.lastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
        EXPECT_EQ(text, kUntouched);
        const ScratchFile target(kPrevious);
        EXPECT_TRUE(client.DownloadToFile(url, target.path().wstring(), {}));
        EXPECT_TRUE(target.content() == over);
    }
}

TEST(HttpClientTest, SendsAPlainGetWithTheLaunchersUserAgent) {
    HttpClient client;
    std::string head;
    ASSERT_TRUE(client.FetchString(FaultUrl(L"/headers"), head));
    EXPECT_EQ(head.rfind("GET /headers HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: QuillGuard HTTP Client/1.0\r\n"), std::string::npos)
        << head;
    for (const char* header : {"Accept-Encoding:", "Content-Length:", "Referer:", "Accept:"}) {
        EXPECT_EQ(head.find(header), std::string::npos) << header << " in\n" << head;
    }
}

TEST(HttpClientTest, ReportsProgressOnlyWhenTheLengthIsAnnounced) {
    struct Case {
        std::wstring path;
        std::vector<float> calls;
        std::optional<std::string> body;  // of a success
    };
    const Case cases[] = {
        {L"/bytes/400,200,200", {0.0F, 50.0F, 75.0F, 100.0F}, Pattern(800)},
        {L"/no-length/400,200,200", {}, Pattern(800)},
        {L"/bytes/0", {}, ""},
        {L"/status/404", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto name = ::testing::PrintToString(c.path);
        HttpClient client;
        std::wstring host;
        std::wstring path;
        INTERNET_PORT port = 0;
        bool secure = true;
        ASSERT_TRUE(client.CrackUrl(FaultUrl(c.path), host, path, port, secure));
        // A failure before a good status leaves the body as it was.
        std::vector<char> body = {'o', 'l', 'd'};
        std::vector<float> calls;
        EXPECT_EQ(client.GetToBuffer(host, path, port, secure, body,
                                     [&calls](float percent) { calls.push_back(percent); }),
                  c.body.has_value())
            << name;
        EXPECT_EQ(calls, c.calls) << name;
        EXPECT_EQ(std::string(body.begin(), body.end()), c.body.value_or("old")) << name;

        calls.clear();
        const ScratchFile target(kPrevious);
        EXPECT_EQ(client.DownloadToFile(FaultUrl(c.path), target.path().wstring(),
                                        [&calls](float percent) { calls.push_back(percent); }),
                  c.body.has_value())
            << name;
        EXPECT_EQ(calls, c.calls) << name;
        EXPECT_TRUE(target.content() == c.body) << name;
    }
}

TEST(HttpClientTest, LeavesAFileThatCannotBeOpenedAlone) {
    const ScratchFile target(kPrevious);
    {
        // Another process holding the file without sharing, as a running game holds its DLL.
        const UniqueFileHandle holder(::CreateFileW(target.path().c_str(), GENERIC_READ, 0, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        HttpClient client;
        EXPECT_FALSE(client.DownloadToFile(FaultUrl(L"/bytes/10"), target.path().wstring(), {}));
        EXPECT_EQ(client.lastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(target.content(), kPrevious);
}

struct Split {
    std::wstring host;
    std::wstring path;
    INTERNET_PORT port;
    bool secure;
    bool operator==(const Split&) const = default;
};

void PrintTo(const Split& split, std::ostream* out) {
    *out << ::testing::PrintToString(split.host) << " " << ::testing::PrintToString(split.path)
         << " " << split.port << (split.secure ? " secure" : " plain");
}

TEST(CrackUrlTest, SplitsHttpAndHttpsUrlsAndLeavesTheOutputsAloneOnFailure) {
    // What a caller's variables hold before the call; a failing split must leave them so.
    const Split untouched{L"before", L"/before", 1234, true};
    const std::wstring host255(255, L'h');
    const std::wstring path2047 = L"/" + std::wstring(2046, L'p');
    struct Case {
        std::wstring url;
        std::optional<Split> split;
        DWORD error = 0;  // of a failure; 0: any but 0
    };
    const Case cases[] = {
        {L"https://localhost/launcher/manifest.json",
         Split{L"localhost", L"/launcher/manifest.json", 443, true}},
        {L"http://127.0.0.1:81/x", Split{L"127.0.0.1", L"/x", 81, false}},
        {L"http://example.com/", Split{L"example.com", L"/", 80, false}},
        {L"https://localhost:47443/stub/0123/manifest.json",
         Split{L"localhost", L"/stub/0123/manifest.json", 47443, true}},
        {L"HTTPS://Updates.Example.COM/A", Split{L"Updates.Example.COM", L"/A", 443, true}},
        {L"https://h/a%20b%2Fc%zz", Split{L"h", L"/a%20b%2Fc%zz", 443, true}},
        {L"http://user:secret@h:8080/p", Split{L"h", L"/p", 8080, false}},
        {L"https://" + host255 + L"/x", Split{host255, L"/x", 443, true}},
        {L"https://h" + path2047, Split{L"h", path2047, 443, true}},
        {L"", std::nullopt, 0},
        {L"file:///C:/Games/QGClient.dll", std::nullopt, 0},
        {L"ftp://localhost/file.bin", std::nullopt, ERROR_WINHTTP_UNRECOGNIZED_SCHEME},
        {L"localhost/launcher/manifest.json", std::nullopt, ERROR_WINHTTP_UNRECOGNIZED_SCHEME},
        {L"https://" + std::wstring(256, L'h') + L"/x", std::nullopt, ERROR_INSUFFICIENT_BUFFER},
        {L"https://h/" + std::wstring(2047, L'p'), std::nullopt, ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case& c : cases) {
        const auto name = ::testing::PrintToString(c.url.substr(0, 40));
        HttpClient client;
        Split split = untouched;
        EXPECT_EQ(client.CrackUrl(c.url, split.host, split.path, split.port, split.secure),
                  c.split.has_value())
            << name;
        EXPECT_EQ(split, c.split.value_or(untouched)) << name;
        if (!c.split) {
            EXPECT_TRUE(c.error == 0 ? client.lastError() != 0 : client.lastError() == c.error)
                << name << ": " << client.lastError();
        }
    }
}

}  // namespace
}  // namespace quillguard
