// HttpClient against nginx and the fault server that ctest starts on 127.0.0.1, and with one
// system call made to fail, for the failures that real servers cannot produce on demand.
#include "net/http_client.h"

#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/unique_handle.h"
#include "net/transport_calls.h"
#include "support/failing_call.h"
#include "support/fake_launcher_log.h"
#include "support/scratch_file.h"
#include "test_servers.h"

namespace quillguard {
namespace {

using namespace testing;

const std::string kPrevious = "the build that was there before";
const std::string kUntouched = "left as it was";

TEST(HttpClientTest, FetchesAndDownloadsWhatEachAnswerPromises) {
    const std::string build = Pattern(60000);
    const std::wstring buildPath = Publish(L"build.bin", build);
    // Without a length, so that only the bytes that arrive can be counted.
    const std::wstring atTheLimit = L"/no-length/" + std::to_wstring(kFetchLimit);
    const std::wstring over = L"/no-length/" + std::to_wstring(kFetchLimit + 1);
    const std::vector<DWORD> tooLong = {ERROR_INSUFFICIENT_BUFFER};
    struct Case {
        const char* what;
        std::wstring url;
        std::vector<DWORD> lastError;  // any of these; {0} for a success
        // What the download leaves at its target: the body of a success; the previous file when
        // it failed before opening it, an empty one when it failed before a status, nothing after
        // a bad status or a broken body.
        std::optional<std::string> file = {};
        DWORD fetchError = 0;  // where a fetch fails although the download succeeds
    };
    const Case cases[] = {
        {"TLS, NUL bytes in the body", kTrustedServer + buildPath, {0}, build},
        {"empty body", FaultUrl(L"/bytes/0"), {0}, ""},
        {"at the limit", FaultUrl(atTheLimit), {0}, Pattern(kFetchLimit)},
        {"over the limit", FaultUrl(over), {0}, Pattern(kFetchLimit + 1), ERROR_FILE_TOO_LARGE},
        {"status 299", FaultUrl(L"/status/299"), {0}, "status 299"},
        {"status 199", FaultUrl(L"/status/199"), {199}},
        {"status 300", FaultUrl(L"/status/300"), {300}},
        {"https to https redirect", kTrustedServer + L"/moved" + buildPath, {0}, build},
        {"https to http redirect",
         kTrustedServer + L"/downgraded" + buildPath,
         {ERROR_WINHTTP_REDIRECT_FAILED},
         ""},
        {"ftp", L"ftp://127.0.0.1/x", {ERROR_WINHTTP_UNRECOGNIZED_SCHEME}, kPrevious},
        {"host too long", L"https://" + std::wstring(256, L'h') + L"/x", tooLong, kPrevious},
        {"path too long", L"https://h/" + std::wstring(2047, L'p'), tooLong, kPrevious},
        {"refused", FaultUrl(L"/refused", L"refused.port"), {ERROR_WINHTTP_CANNOT_CONNECT}, ""},
        {"unknown authority", kUnknownAuthorityServer + buildPath, kUntrustedCertificate, ""},
        {"hung up", FaultUrl(L"/hangup"), {ERROR_WINHTTP_INVALID_SERVER_RESPONSE}, ""},
        {"reset in the body", FaultUrl(L"/reset/5000"), kResetInTheBody},
        {"shorter than its length", FaultUrl(L"/short/5000"), {ERROR_WINHTTP_CONNECTION_ERROR}},
    };
    for (const Case& c : cases) {
        const bool ok = c.lastError == std::vector<DWORD>{0};
        const bool fetched = ok && c.fetchError == 0;
        HttpClient fetcher;
        std::string text = kUntouched;
        EXPECT_EQ(fetcher.FetchString(c.url, text), fetched) << c.what;
        EXPECT_TRUE(c.fetchError != 0 ? fetcher.lastError() == c.fetchError
                                      : OneOf(fetcher.lastError(), c.lastError))
            << c.what << ": " << fetcher.lastError();
        // Compared as a whole: a failure message with the bodies in it would be unreadable.
        EXPECT_TRUE(text == (fetched ? *c.file : kUntouched)) << c.what << ": " << text.size();

        HttpClient downloader;
        const ScratchFile target(kPrevious);
        EXPECT_EQ(downloader.DownloadToFile(c.url, target.path().wstring()), ok) << c.what;
        EXPECT_TRUE(OneOf(downloader.lastError(), c.lastError))
            << c.what << ": " << downloader.lastError();
        EXPECT_TRUE(target.content() == c.file) << c.what;
    }
}

TEST(HttpClientTest, SendsAPlainGetOfThePathAsWrittenWithTheLaunchersUserAgent) {
    HttpClient client;
    std::string head;
    // Neither unescaped nor escaped; the query kept (a CDN's signed address needs it), the
    // fragment dropped.
    ASSERT_TRUE(
        client.FetchString(FaultUrl(L"/headers/a%20b%2Fc%zz?token=a%2Bb&expires=9#part"), head));
    EXPECT_EQ(head.rfind("GET /headers/a%20b%2Fc%zz?token=a%2Bb&expires=9 HTTP/1.1\r\n", 0), 0u)
        << head;
    EXPECT_NE(head.find("\r\nUser-Agent: QuillGuard HTTP Client/1.0\r\n"), std::string::npos)
        << head;
    for (const char* header : {"Accept-Encoding:", "Content-Length:", "Referer:", "Accept:"}) {
        EXPECT_EQ(head.find(header), std::string::npos) << header << " in\n" << head;
    }
}

TEST(HttpClientTest, LeavesAFileThatCannotBeOpenedAlone) {
    const ScratchFile target(kPrevious);
    // Another process holding the file without sharing, as a running game holds its DLL; while it
    // does, nothing can change the file, so what counts is that the failure is reported.
    const UniqueFileHandle holder(::CreateFileW(target.path().c_str(), GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    HttpClient client;
    EXPECT_FALSE(client.DownloadToFile(FaultUrl(L"/bytes/10"), target.path().wstring()));
    EXPECT_EQ(client.lastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

// Reports to lines, with limits short enough that the tests wait seconds where the launcher waits
// a minute, yet far longer than the waits they check; the target holds the previous build.
struct LoggedClient {
    CallLog lines;
    FakeLauncherLog log{lines};
    HttpClient client{log, {.receiveMs = 10'000, .fetchDeadlineMs = 3'000, .floorWindowMs = 4'000}};
    const ScratchFile target{kPrevious};

    bool Download(const std::wstring& path, std::uint64_t byteLimit = kNoByteLimit) {
        return client.DownloadToFile(FaultUrl(path), target.path().wstring(), byteLimit);
    }
};

TEST(HttpClientTest, ABuildTheDiskCannotHoldIsRefusedBeforeItsBodyAndLeavesNothing) {
    // A petabyte, as the server announces it or as a signed manifest's size promises it.
    const std::pair<std::wstring, std::uint64_t> cases[] = {
        {L"/trickle/1000000000000000", kNoByteLimit}, {L"/trickle/12", 1'000'000'000'000'000}};
    for (const auto& [path, byteLimit] : cases) {
        LoggedClient s;
        EXPECT_FALSE(s.Download(path, byteLimit));
        EXPECT_EQ(s.client.lastError(), static_cast<DWORD>(ERROR_DISK_FULL));
        EXPECT_EQ(s.target.content(), std::nullopt);
        ASSERT_EQ(s.lines.size(), 2u);
        EXPECT_TRUE(s.lines[0].starts_with(L"log disk-space path=" + path +
                                           L" bytes=1000000000000000 free=") &&
                    s.lines[0].ends_with(L" error=112"))
            << s.lines[0];
    }
}

TEST(HttpClientTest, AServerThatTricklesOrStopsIsAFailureWithinTheLimits) {
    // A byte every 5 s for a minute, and 40 s of silence after 50000 bytes (less than the floor):
    // a manifest, then two builds.
    const std::pair<std::wstring, bool> cases[] = {
        {L"/trickle/12", false}, {L"/trickle/12", true}, {L"/stall/50000", true}};
    for (const auto& [path, download] : cases) {
        SCOPED_TRACE(path + (download ? L" downloaded" : L" fetched"));
        LoggedClient s;
        std::string text = kUntouched;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(download ? s.Download(path) : s.client.FetchString(FaultUrl(path), text));
        // Generous: the deadline and the window are 3 and 4 s; the server would take 40 s or more.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));
        EXPECT_TRUE(OneOf(s.client.lastError(), kTimedOut)) << s.client.lastError();
        EXPECT_TRUE(text == kUntouched &&
                    s.target.content() == (download ? std::nullopt : std::optional(kPrevious)));
        ASSERT_EQ(s.lines.size(), 1u);
        EXPECT_NE(s.lines[0].find(L" error=" + std::to_wstring(s.client.lastError())),
                  std::wstring::npos);
    }
}

TEST(HttpClientTest, ASlowButSteadyDownloadHasNoOverallLimit) {
    // 64 MiB in pieces of 512 KiB 50 ms apart: several seconds, past the fetch deadline and over
    // more than one window of the floor, with room for a slow machine.
    const std::size_t size = 64 * 1024 * 1024;
    LoggedClient s;
    EXPECT_TRUE(s.Download(L"/steady/" + std::to_wstring(size)));
    EXPECT_TRUE(s.target.content() == Pattern(size));
    EXPECT_EQ(s.lines, CallLog{L"log download path=/steady/" + std::to_wstring(size) +
                               L" status=200 bytes=" + std::to_wstring(size) + L" via=direct"});
}

TEST(HttpClientTest, ABrokenDownloadIsResumedOnceWhereTheServerOffersRanges) {
    // 1000000 bytes, broken off after 600000; per mode of the fault server, what the download
    // leaves and the retry's log line after its path. The server answers 206 only to a range from
    // the file's end with a matching If-Range, so what the retry asked for shows in that line.
    const std::wstring broken = L" status=200 bytes=600000 via=direct error=" +
                                std::to_wstring(ERROR_WINHTTP_CONNECTION_ERROR);
    const std::wstring resumed = L" status=206 bytes=400000 via=direct";
    const std::wstring refused = L" status=206 bytes=0 via=direct error=" +
                                 std::to_wstring(ERROR_WINHTTP_INVALID_SERVER_RESPONSE);
    const std::tuple<std::wstring, std::optional<std::string>, std::optional<std::wstring>>
        cases[] = {
            {L"etag", Pattern(1'000'000), resumed},
            {L"dated", Pattern(1'000'000), resumed},
            // Changed on the server since: the whole new body replaces what arrived.
            {L"changed", Pattern(1'000'007).substr(7), L" status=200 bytes=1000000 via=direct"},
            // A 206 that does not start at the file's end, or stops short of the file's end.
            {L"misplaced", std::nullopt, refused},
            {L"early", std::nullopt, refused},
            {L"plain", std::nullopt, std::nullopt},
        };
    for (const auto& [mode, file, resume] : cases) {
        SCOPED_TRACE(mode);
        const std::wstring widePath = L"/resumable/" + mode + L"/k" +
                                      std::to_wstring(::GetCurrentProcessId()) + mode + L"/1000000";
        LoggedClient s;
        EXPECT_EQ(s.Download(widePath), file.has_value());
        EXPECT_TRUE(s.target.content() == file);
        // The first failure stays the last one a retry that failed leaves.
        EXPECT_EQ(s.client.lastError(), static_cast<DWORD>(ERROR_WINHTTP_CONNECTION_ERROR));
        CallLog expected = {L"log download path=" + widePath + broken};
        if (resume) {
            expected.push_back(L"log resume path=" + widePath + *resume);
        }
        EXPECT_EQ(s.lines, expected);
    }
}

constexpr DWORD kInjectedError = ERROR_NOT_ENOUGH_MEMORY;  // as FailWithNoMemory sets it

// Writes one byte less than asked and says so, as a full disk may, leaving kInjectedError as the
// last error for the client to report.
BOOL WINAPI ShortWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                           LPOVERLAPPED overlapped) {
    const BOOL result = ::WriteFile(file, data, size > 0 ? size - 1 : 0, written, overlapped);
    ::SetLastError(kInjectedError);
    return result;
}

TEST(FailingCallsTest, AFailedCallFailsTheRequest) {
    // Per call: how it is made to fail, whether a fetch makes it, what the download's target holds.
    const std::optional<std::string> deleted;
    const std::tuple<const char*, void (*)(TransportCalls&), bool, std::optional<std::string>>
        cases[] = {
            // Without a session nothing is opened, sent or written.
            {"open", [](auto& c) { c.WinHttpOpen = FailWithNoMemory; }, true, kPrevious},
            {"connect", [](auto& c) { c.WinHttpConnect = FailWithNoMemory; }, true, ""},
            {"request", [](auto& c) { c.WinHttpOpenRequest = FailWithNoMemory; }, true, ""},
            {"read", [](auto& c) { c.WinHttpReadData = FailWithNoMemory; }, true, deleted},
            {"write", [](auto& c) { c.WriteFile = FailWithNoMemory; }, false, deleted},
            {"short write", [](auto& c) { c.WriteFile = ShortWriteFile; }, false, deleted},
        };
    for (const auto& [what, inject, fetchMakesTheCall, left] : cases) {
        SCOPED_TRACE(what);
        TransportCalls calls = *SystemTransportCalls();
        inject(calls);
        HttpClient client(calls);
        if (fetchMakesTheCall) {
            std::string text = kUntouched;
            EXPECT_FALSE(client.FetchString(FaultUrl(L"/bytes/20000"), text));
            EXPECT_EQ(client.lastError(), kInjectedError);
            EXPECT_EQ(text, kUntouched);
        }
        const ScratchFile target(kPrevious);
        EXPECT_FALSE(client.DownloadToFile(FaultUrl(L"/bytes/20000"), target.path().wstring()));
        EXPECT_EQ(client.lastError(), kInjectedError);
        EXPECT_TRUE(target.content() == left);  // no bodies in the message
    }
}

}  // namespace
}  // namespace quillguard
