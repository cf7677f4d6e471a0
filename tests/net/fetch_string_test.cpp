#include <gtest/gtest.h>

#include <string>
#include <vector>

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
using testing::OneOf;
using testing::Pattern;
using testing::Publish;
using testing::RefusedUrl;
using testing::TrustedUrl;
using testing::UnknownAuthorityUrl;

const std::string kUntouched = "left as it was";

struct Fetched {
    bool ok;
    DWORD lastError;
    std::string text;
};

Fetched Fetch(const std::wstring& url) {
    HttpClient client;
    Fetched fetched{false, 0, kUntouched};
    fetched.ok = client.FetchString(url, fetched.text);
    fetched.lastError = client.lastError();
    return fetched;
}

TEST(FetchStringTest, AcceptsStatuses200To299AndReportsAnyOtherAsLastError) {
    struct Case {
        int status;
        bool ok;
    };
    const Case cases[] = {{199, false}, {200, true},  {201, true}, {299, true},
                          {300, false}, {404, false}, {500, false}};
    for (const Case& c : cases) {
        const Fetched fetched = Fetch(FaultUrl(L"/status/" + std::to_wstring(c.status)));
        EXPECT_EQ(fetched.ok, c.ok) << c.status;
        if (c.ok) {
            EXPECT_EQ(fetched.text, "status " + std::to_string(c.status));
            EXPECT_EQ(fetched.lastError, 0u) << c.status;
        } else {
            EXPECT_EQ(fetched.text, kUntouched) << c.status;
            EXPECT_EQ(fetched.lastError, static_cast<DWORD>(c.status));
        }
    }
}

TEST(FetchStringTest, ReadsEveryBodyWholeAndByteForByte) {
    struct Case {
        std::wstring path;
        std::string body;
    };
    const Case cases[] = {
        {L"/empty", ""},
        {L"/bytes/3000", Pattern(3000)},  // zero bytes every 256
        {L"/no-length/70000", Pattern(70000)},
        {L"/chunked/50000", Pattern(50000)},
        {L"/pieces/400,200,200", Pattern(800)},
    };
    for (const Case& c : cases) {
        const Fetched fetched = Fetch(FaultUrl(c.path));
        EXPECT_TRUE(fetched.ok) << ::testing::PrintToString(c.path) << " " << fetched.lastError;
        EXPECT_EQ(fetched.text.size(), c.body.size()) << ::testing::PrintToString(c.path);
        // Compared as a whole: a failure message with the bodies in it would be unreadable.
        EXPECT_TRUE(fetched.text == c.body) << ::testing::PrintToString(c.path);
    }
}

TEST(FetchStringTest, SendsAPlainGetWithTheLaunchersUserAgent) {
    const Fetched fetched = Fetch(FaultUrl(L"/headers"));
    ASSERT_TRUE(fetched.ok);
    EXPECT_EQ(fetched.text.rfind("GET /headers HTTP/1.1\r\n", 0), 0u) << fetched.text;
    EXPECT_NE(fetched.text.find("\r\nUser-Agent: QuillGuard HTTP Client/1.0\r\n"),
              std::string::npos)
        << fetched.text;
    for (const char* header : {"Accept-Encoding:", "Content-Length:", "Referer:", "Accept:"}) {
        EXPECT_EQ(fetched.text.find(header), std::string::npos) << header << " in\n"
                                                                << fetched.text;
    }
}

TEST(FetchStringTest, FetchesOverTlsWhenTheAuthorityIsTrusted) {
    const std::string manifest = R"({"sha1":"a9993e364706816aba3e25717850c26c9cd0d89d"})";
    const std::wstring path = Publish(L"manifest.json", manifest);
    for (const std::wstring& url : {TrustedUrl(path), L"https://127.0.0.1:47443" + path}) {
        const Fetched fetched = Fetch(url);
        EXPECT_TRUE(fetched.ok) << ::testing::PrintToString(url) << " " << fetched.lastError;
        EXPECT_EQ(fetched.text, manifest);
    }
    const Fetched missing = Fetch(TrustedUrl(L"/transport/no-such-file.json"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.lastError, 404u);
}

TEST(FetchStringTest, RefusesACertificateFromAnUnknownAuthority) {
    const std::wstring path = Publish(L"unknown-authority.json", "{}");
    const Fetched fetched = Fetch(UnknownAuthorityUrl(path));
    EXPECT_FALSE(fetched.ok);
    EXPECT_TRUE(OneOf(fetched.lastError, kUntrustedCertificate)) << fetched.lastError;
    EXPECT_EQ(fetched.text, kUntouched);
}

TEST(FetchStringTest, FailsWithTheSystemErrorOfTheFailingStep) {
    struct Case {
        const char* what;
        std::wstring url;
        std::vector<DWORD> lastError;  // any of these
    };
    const Case cases[] = {
        {"unsupported scheme", L"ftp://127.0.0.1/x", {kUnrecognizedScheme}},
        {"empty URL", L"", {kUnrecognizedScheme}},
        {"connection refused", RefusedUrl(), {kCannotConnect}},
        {"closed without an answer", FaultUrl(L"/hangup"), {kInvalidServerResponse}},
        {"not HTTP", FaultUrl(L"/garbage"), {kInvalidServerResponse}},
        {"reset in the body", FaultUrl(L"/reset/5000"), kResetInTheBody},
        {"body shorter than its length", FaultUrl(L"/short/5000"), {kConnectionError}},
    };
    for (const Case& c : cases) {
        const Fetched fetched = Fetch(c.url);
        EXPECT_FALSE(fetched.ok) << c.what;
        EXPECT_TRUE(OneOf(fetched.lastError, c.lastError)) << c.what << ": " << fetched.lastError;
        EXPECT_TRUE(fetched.text == kUntouched) << c.what;
    }
}

TEST(GetToBufferTest, ReportsProgressOnlyWhenTheLengthIsAnnounced) {
    struct Case {
        std::wstring path;
        std::vector<float> calls;
    };
    const Case cases[] = {
        {L"/pieces/400,200,200", {0.0F, 50.0F, 75.0F, 100.0F}},
        {L"/pieces-no-length/400,200,200", {}},
        {L"/empty", {}},
    };
    for (const Case& c : cases) {
        HttpClient client;
        std::wstring host;
        std::wstring path;
        INTERNET_PORT port = 0;
        bool secure = true;
        ASSERT_TRUE(client.CrackUrl(FaultUrl(c.path), host, path, port, secure));
        std::vector<char> body;
        std::vector<float> calls;
        EXPECT_TRUE(client.GetToBuffer(host, path, port, secure, body,
                                       [&calls](float percent) { calls.push_back(percent); }));
        EXPECT_EQ(calls, c.calls) << ::testing::PrintToString(c.path);
    }
}

TEST(GetToBufferTest, LeavesTheBodyAloneUntilAGoodStatus) {
    HttpClient client;
    std::wstring host;
    std::wstring path;
    INTERNET_PORT port = 0;
    bool secure = true;
    ASSERT_TRUE(client.CrackUrl(FaultUrl(L"/status/404"), host, path, port, secure));
    std::vector<char> body = {'o', 'l', 'd'};
    EXPECT_FALSE(client.GetToBuffer(host, path, port, secure, body, {}));
    EXPECT_EQ(body, (std::vector<char>{'o', 'l', 'd'}));

    ASSERT_TRUE(client.CrackUrl(FaultUrl(L"/empty"), host, path, port, secure));
    EXPECT_TRUE(client.GetToBuffer(host, path, port, secure, body, {}));
    EXPECT_TRUE(body.empty());
}

}  // namespace
}  // namespace quillguard
