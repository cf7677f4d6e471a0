// HttpClient with one system call made to fail or observed, for the failures that real servers
// cannot produce on demand, and for the order in which handles are closed.
#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "net/http_client.h"
#include "net/transport_calls.h"
#include "test_servers.h"

namespace quillguard {
namespace {

using testing::FaultRequestCount;
using testing::FaultUrl;
using testing::ReadWholeFile;
using testing::ScratchPath;
using testing::WriteWholeFile;

constexpr DWORD kInjectedError = ERROR_NOT_ENOUGH_MEMORY;
const std::string kPrevious = "previous";

// What the shims saw; one test at a time uses them.
struct Observed {
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    int connects = 0;
    std::vector<std::string> closed;  // "session", "connection", "request", in closing order
};
Observed observed;

// Downloads url over a file holding kPrevious, expecting failure, and returns what is left in
// the file; nothing when the download deleted it.
std::optional<std::string> LeftAfterFailedDownload(HttpClient& client, const std::wstring& url,
                                                   const std::wstring& stem) {
    const std::wstring target = ScratchPath(stem);
    WriteWholeFile(target, kPrevious);
    EXPECT_FALSE(client.DownloadToFile(url, target, {}));
    std::string content;
    const bool present = ReadWholeFile(target, content);
    ::DeleteFileW(target.c_str());
    return present ? std::optional<std::string>(content) : std::nullopt;
}

const TransportCalls& System() {
    return *SystemTransportCalls();
}

void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR, DWORD status, void*, DWORD) {
    if (status != WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
        return;
    }
    observed.closed.push_back(handle == observed.session      ? "session"
                              : handle == observed.connection ? "connection"
                              : handle == observed.request    ? "request"
                                                              : "other");
}

HINTERNET WINAPI ObservedOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass,
                              DWORD flags) {
    observed.session = System().WinHttpOpen(agent, access, proxy, bypass, flags);
    ::WinHttpSetStatusCallback(observed.session, OnStatus, WINHTTP_CALLBACK_FLAG_HANDLES, 0);
    return observed.session;
}

HINTERNET WINAPI FailingOpen(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD) {
    ::SetLastError(kInjectedError);
    return nullptr;
}

HINTERNET WINAPI ObservedConnect(HINTERNET session, LPCWSTR host, INTERNET_PORT port,
                                 DWORD reserved) {
    ++observed.connects;
    observed.connection = System().WinHttpConnect(session, host, port, reserved);
    return observed.connection;
}

HINTERNET WINAPI FailingConnect(HINTERNET, LPCWSTR, INTERNET_PORT, DWORD) {
    ::SetLastError(kInjectedError);
    return nullptr;
}

HINTERNET WINAPI ObservedOpenRequest(HINTERNET connection, LPCWSTR verb, LPCWSTR object,
                                     LPCWSTR version, LPCWSTR referrer, LPCWSTR* types,
                                     DWORD flags) {
    observed.request =
        System().WinHttpOpenRequest(connection, verb, object, version, referrer, types, flags);
    return observed.request;
}

HINTERNET WINAPI FailingOpenRequest(HINTERNET, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR*,
                                    DWORD) {
    ::SetLastError(kInjectedError);
    return nullptr;
}

BOOL WINAPI FailingReadData(HINTERNET, LPVOID, DWORD, LPDWORD) {
    ::SetLastError(kInjectedError);
    return FALSE;
}

// Writes one byte less than asked and says so, as a full disk may.
BOOL WINAPI ShortWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                           LPOVERLAPPED overlapped) {
    return ::WriteFile(file, data, size > 0 ? size - 1 : 0, written, overlapped);
}

BOOL WINAPI FailingWriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) {
    ::SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TransportCalls Observing() {
    observed = Observed();
    TransportCalls calls = System();
    calls.WinHttpOpen = ObservedOpen;
    calls.WinHttpConnect = ObservedConnect;
    calls.WinHttpOpenRequest = ObservedOpenRequest;
    return calls;
}

TEST(FailingCallsTest, ASessionThatFailedToOpenSendsNothing) {
    TransportCalls calls = Observing();
    calls.WinHttpOpen = FailingOpen;
    const unsigned requestsBefore = FaultRequestCount();
    const std::wstring target = ScratchPath(L"no-session.bin");
    WriteWholeFile(target, kPrevious);
    {
        HttpClient client(calls);
        EXPECT_EQ(client.lastError(), kInjectedError);

        std::wstring host;
        std::wstring path;
        INTERNET_PORT port = 0;
        bool secure = true;
        EXPECT_TRUE(client.CrackUrl(FaultUrl(L"/bytes/10"), host, path, port, secure));
        EXPECT_EQ(host, L"127.0.0.1");

        std::string text = "untouched";
        EXPECT_FALSE(client.FetchString(FaultUrl(L"/bytes/10"), text));
        EXPECT_EQ(text, "untouched");
        std::vector<char> body;
        EXPECT_FALSE(client.GetToBuffer(host, path, port, secure, body, {}));
        EXPECT_FALSE(client.DownloadToFile(FaultUrl(L"/bytes/10"), target, {}));
        EXPECT_EQ(client.lastError(), kInjectedError);
    }
    EXPECT_EQ(observed.connects, 0);
    EXPECT_EQ(FaultRequestCount(), requestsBefore);
    std::string content;
    EXPECT_TRUE(ReadWholeFile(target, content) && content == kPrevious);
    ::DeleteFileW(target.c_str());
}

TEST(FailingCallsTest, ClosesTheRequestBeforeItsConnectionAndTheSessionOnce) {
    const TransportCalls calls = Observing();
    {
        HttpClient client(calls);
        std::string text;
        ASSERT_TRUE(client.FetchString(FaultUrl(L"/bytes/10"), text));
        EXPECT_EQ(observed.closed, (std::vector<std::string>{"request", "connection"}));

        EXPECT_FALSE(client.FetchString(FaultUrl(L"/status/404"), text));
        EXPECT_EQ(observed.closed.size(), 4u);

        client.Close();
        client.Close();
    }
    EXPECT_EQ(observed.closed, (std::vector<std::string>{"request", "connection", "request",
                                                         "connection", "session"}));
}

// Wine's WinHttpConnect accepts any host and fails only later, at the send.
TEST(FailingCallsTest, AFailedConnectOpensNothingAndLeavesTheFileEmpty) {
    TransportCalls calls = Observing();
    calls.WinHttpConnect = FailingConnect;
    HttpClient client(calls);
    std::string text = "untouched";
    EXPECT_FALSE(client.FetchString(FaultUrl(L"/bytes/10"), text));
    EXPECT_EQ(client.lastError(), kInjectedError);
    EXPECT_EQ(text, "untouched");

    EXPECT_EQ(LeftAfterFailedDownload(client, FaultUrl(L"/bytes/10"), L"connect.bin"), "");
    EXPECT_EQ(client.lastError(), kInjectedError);
    EXPECT_TRUE(observed.closed.empty());
}

TEST(FailingCallsTest, AFailedOpenRequestClosesTheConnectionAndLeavesTheFileEmpty) {
    TransportCalls calls = Observing();
    calls.WinHttpOpenRequest = FailingOpenRequest;
    HttpClient client(calls);
    std::string text = "untouched";
    EXPECT_FALSE(client.FetchString(FaultUrl(L"/bytes/10"), text));
    EXPECT_EQ(client.lastError(), kInjectedError);
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(observed.closed, (std::vector<std::string>{"connection"}));

    EXPECT_EQ(LeftAfterFailedDownload(client, FaultUrl(L"/bytes/10"), L"open-request.bin"), "");
}

TEST(FailingCallsTest, FailedReadsAndWritesDeleteTheDownload) {
    struct Case {
        const char* what;
        decltype(TransportCalls::WinHttpReadData) readData;
        decltype(TransportCalls::WriteFile) writeFile;
        bool checkError;
        DWORD lastError;
    };
    const Case cases[] = {
        {"read fails", FailingReadData, nullptr, true, kInjectedError},
        {"write fails", nullptr, FailingWriteFile, true, ERROR_DISK_FULL},
        // After a short write the code is whatever the system left; only the outcome is fixed.
        {"short write", nullptr, ShortWriteFile, false, 0},
    };
    for (const Case& c : cases) {
        TransportCalls calls = Observing();
        if (c.readData != nullptr) {
            calls.WinHttpReadData = c.readData;
        }
        if (c.writeFile != nullptr) {
            calls.WriteFile = c.writeFile;
        }
        HttpClient client(calls);
        EXPECT_EQ(LeftAfterFailedDownload(client, FaultUrl(L"/bytes/20000"), L"failed-write.bin"),
                  std::nullopt)
            << c.what;
        if (c.checkError) {
            EXPECT_EQ(client.lastError(), c.lastError) << c.what;
        }
        EXPECT_EQ(observed.closed, (std::vector<std::string>{"request", "connection"})) << c.what;
    }
}

TEST(FailingCallsTest, AFailedReadFailsTheFetch) {
    TransportCalls calls = Observing();
    calls.WinHttpReadData = FailingReadData;
    HttpClient client(calls);
    std::string text = "untouched";
    EXPECT_FALSE(client.FetchString(FaultUrl(L"/bytes/10"), text));
    EXPECT_EQ(client.lastError(), kInjectedError);
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(observed.closed, (std::vector<std::string>{"request", "connection"}));
}

}  // namespace
}  // namespace quillguard
