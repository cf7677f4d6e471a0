#include <gtest/gtest.h>

#include <string>

#include "net/http_client.h"

namespace quillguard {
namespace {

struct Split {
    std::wstring host;
    std::wstring path;
    INTERNET_PORT port;
    bool secure;
};

bool operator==(const Split& a, const Split& b) {
    return a.host == b.host && a.path == b.path && a.port == b.port && a.secure == b.secure;
}

void PrintTo(const Split& split, std::ostream* out) {
    *out << ::testing::PrintToString(split.host) << " " << ::testing::PrintToString(split.path)
         << " " << split.port << (split.secure ? " secure" : " plain");
}

// What a caller's variables hold before the call; a failing split must leave them so.
const Split kUntouched{L"before", L"/before", 1234, true};

Split Crack(HttpClient& client, const std::wstring& url, bool& ok) {
    Split split = kUntouched;
    ok = client.CrackUrl(url, split.host, split.path, split.port, split.secure);
    return split;
}

TEST(CrackUrlTest, SplitsHttpAndHttpsUrls) {
    struct Case {
        std::wstring url;
        Split expected;
    };
    const std::wstring host255(255, L'h');
    const std::wstring path2047 = L"/" + std::wstring(2046, L'p');
    const Case cases[] = {
        {L"https://localhost/launcher/manifest.json",
         {L"localhost", L"/launcher/manifest.json", 443, true}},
        {L"http://127.0.0.1:81/x", {L"127.0.0.1", L"/x", 81, false}},
        {L"http://example.com/", {L"example.com", L"/", 80, false}},
        {L"https://localhost:47443/stub/0123/manifest.json",
         {L"localhost", L"/stub/0123/manifest.json", 47443, true}},
        {L"HTTPS://Updates.Example.COM/A", {L"Updates.Example.COM", L"/A", 443, true}},
        {L"https://h/a%20b%2Fc%zz", {L"h", L"/a%20b%2Fc%zz", 443, true}},
        {L"http://user:secret@h:8080/p", {L"h", L"/p", 8080, false}},
        {L"https://" + host255 + L"/x", {host255, L"/x", 443, true}},
        {L"https://h" + path2047, {L"h", path2047, 443, true}},
    };
    HttpClient client;
    for (const Case& c : cases) {
        bool ok = false;
        const Split split = Crack(client, c.url, ok);
        EXPECT_TRUE(ok) << ::testing::PrintToString(c.url);
        EXPECT_EQ(split, c.expected) << ::testing::PrintToString(c.url);
    }
}

TEST(CrackUrlTest, RejectsWhatCannotBeSplitAndLeavesTheOutputsAlone) {
    const std::wstring cases[] = {
        L"",
        L"ftp://localhost/file.bin",
        L"file:///C:/Games/QGClient.dll",
        L"localhost/launcher/manifest.json",
        L"https://" + std::wstring(256, L'h') + L"/x",
        L"https://h/" + std::wstring(2047, L'p'),
    };
    HttpClient client;
    for (const std::wstring& url : cases) {
        bool ok = true;
        const Split split = Crack(client, url, ok);
        EXPECT_FALSE(ok) << ::testing::PrintToString(url.substr(0, 40));
        EXPECT_EQ(split, kUntouched) << ::testing::PrintToString(url.substr(0, 40));
        EXPECT_NE(client.lastError(), 0u) << ::testing::PrintToString(url.substr(0, 40));
    }
}

TEST(CrackUrlTest, ReportsTheSystemErrorCode) {
    struct Case {
        std::wstring url;
        DWORD error;
    };
    const Case cases[] = {
        {L"ftp://localhost/file.bin", ERROR_WINHTTP_UNRECOGNIZED_SCHEME},
        {L"localhost/launcher/manifest.json", ERROR_WINHTTP_UNRECOGNIZED_SCHEME},
        {L"https://" + std::wstring(256, L'h') + L"/x", ERROR_INSUFFICIENT_BUFFER},
        {L"https://h/" + std::wstring(2047, L'p'), ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case& c : cases) {
        HttpClient client;
        bool ok = true;
        Crack(client, c.url, ok);
        EXPECT_EQ(client.lastError(), c.error) << ::testing::PrintToString(c.url.substr(0, 40));
    }
}

TEST(CrackUrlTest, WorksOnAClosedClient) {
    HttpClient client;
    client.Close();
    bool ok = false;
    const Split split = Crack(client, L"https://localhost/x", ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(split, (Split{L"localhost", L"/x", 443, true}));
}

}  // namespace
}  // namespace quillguard
