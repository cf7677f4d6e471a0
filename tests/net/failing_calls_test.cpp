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
#include "support/scratch_file.h"
#include "test_servers.h"

namespace quillguard {
namespace {

using testing::FaultUrl;
using testing::ScratchFile;

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

const TransportCalls& System() {
    return *SystemTransportCalls();
}

// Any of the calls, failing with kInjectedError.
template <typename Result, typename... Arguments>
Result WINAPI Fail(Arguments...) {
    ::SetLastError(kInjectedError);
    return Result{};
}

// Writes one byte less than asked and says so, as a full disk may, leaving kInjectedError as the
// last error for the client to report.
BOOL WINAPI ShortWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                           LPOVERLAPPED overlapped) {
    const BOOL result = ::WriteFile(file, data, size > 0 ? size - 1 : 0, written, overlapped);
    ::SetLastError(kInjectedError);
    return result;
}

void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR, DWORD status, void*, DWORD) {
    if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
        observed.closed.push_back(handle == observed.session      ? "session"
                                  : handle == observed.connection ? "connection"
                                  : handle == observed.request    ? "request"
                                                                  : "other");
    }
}

HINTERNET WINAPI ObservedOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass,
                              DWORD flags) {
    observed.session = System().WinHttpOpen(agent, access, proxy, bypass, flags);
    ::WinHttpSetStatusCallback(observed.session, OnStatus, WINHTTP_CALLBACK_FLAG_HANDLES, 0);
    return observed.session;
}

HINTERNET WINAPI ObservedConnect(HINTERNET session, LPCWSTR host, INTERNET_PORT port,
                                 DWORD reserved) {
    ++observed.connects;
    observed.connection = System().WinHttpConnect(session, host, port, reserved);
    return observed.connection;
}

HINTERNET WINAPI ObservedOpenRequest(HINTERNET connection, LPCWSTR verb, LPCWSTR object,
                                     LPCWSTR version, LPCWSTR referrer, LPCWSTR* types,
                                     DWORD flags) {
    observed.request =
        System().WinHttpOpenRequest(connection, verb, object, version, referrer, types, flags);
    return observed.request;
}

TransportCalls Observing() {
    observed = Observed();
    TransportCalls calls = System();
    calls.WinHttpOpen = ObservedOpen;
    calls.WinHttpConnect = ObservedConnect;
    calls.WinHttpOpenRequest = ObservedOpenRequest;
    return calls;
}

TEST(FailingCallsTest, ClosesTheRequestBeforeItsConnectionAndTheSessionOnce) {
    const TransportCalls calls = Observing();
    const ScratchFile target(kPrevious);
    {
        HttpClient client(calls);
        std::string text;
        ASSERT_TRUE(client.FetchString(FaultUrl(L"/bytes/10"), text));
        EXPECT_FALSE(client.FetchString(FaultUrl(L"/status/404"), text));
        client.Close();
        EXPECT_EQ(observed.closed, (std::vector<std::string>{"request", "connection", "request",
                                                             "connection", "session"}));

        // Closed, the client still splits URLs but sends nothing and touches no file.
        std::wstring host;
        std::wstring path;
        INTERNET_PORT port = 0;
        bool secure = false;
        EXPECT_TRUE(client.CrackUrl(L"https://localhost/x", host, path, port, secure));
        EXPECT_TRUE(host == L"localhost" && path == L"/x" && port == 443 && secure);
        EXPECT_FALSE(client.DownloadToFile(FaultUrl(L"/bytes/10"), target.path().wstring(), {}));
        EXPECT_EQ(observed.connects, 2);
        client.Close();
    }
    EXPECT_EQ(observed.closed.size(), 5u);
    EXPECT_EQ(target.content(), kPrevious);
}

TEST(FailingCallsTest, AFailedCallFailsTheRequestAndClosesWhatWasOpened) {
    struct Case {
        const char* what;
        void (*inject)(TransportCalls&);
        bool fetchMakesTheCall;
        std::optional<std::string> left;  // in the download's target
        std::vector<std::string> closed;  // for each request
    };
    const std::vector<std::string> both = {"request", "connection"};
    const std::optional<std::string> deleted;
    const Case cases[] = {
        // Without a session nothing is opened, sent or written.
        {"open", [](TransportCalls& c) { c.WinHttpOpen = Fail; }, true, kPrevious, {}},
        {"connect", [](TransportCalls& c) { c.WinHttpConnect = Fail; }, true, "", {}},
        {"request",
         [](TransportCalls& c) { c.WinHttpOpenRequest = Fail; },
         true,
         "",
         {"connection"}},
        {"read", [](TransportCalls& c) { c.WinHttpReadData = Fail; }, true, deleted, both},
        {"write", [](TransportCalls& c) { c.WriteFile = Fail; }, false, deleted, both},
        {"short write", [](TransportCalls& c) { c.WriteFile = ShortWriteFile; }, false, deleted,
         both},
    };
    for (const Case& c : cases) {
        TransportCalls calls = Observing();
        c.inject(calls);
        HttpClient client(calls);
        if (c.fetchMakesTheCall) {
            std::string text = "untouched";
            EXPECT_FALSE(client.FetchString(FaultUrl(L"/bytes/20000"), text)) << c.what;
            EXPECT_EQ(client.lastError(), kInjectedError) << c.what;
            EXPECT_EQ(text, "untouched") << c.what;
            EXPECT_EQ(observed.closed, c.closed) << c.what;
            observed.closed.clear();
        }
        const ScratchFile target(kPrevious);
        EXPECT_FALSE(client.DownloadToFile(FaultUrl(L"/bytes/20000"), target.path().wstring(), {}))
            << c.what;
        EXPECT_EQ(client.lastError(), kInjectedError) << c.what;
        EXPECT_TRUE(target.content() == c.left) << c.what;  // no bodies in the message
        EXPECT_EQ(observed.closed, c.closed) << c.what;
    }
}

}  // namespace
}  // namespace quillguard
