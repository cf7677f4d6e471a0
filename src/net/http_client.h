#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/launcher_log.h"
#include "net/http_session.h"
#include "net/manifest.h"
#include "net/proxy_choice.h"
#include "net/transfer_clock.h"
#include "net/transport_calls.h"

namespace quillguard {

// One synchronous WinHTTP session for one update flow. Every request has time-outs, a fetch an
// overall deadline and a download a floor on its progress (NetworkLimits). Requests go through
// the player's proxy settings (ProxyMode); a proxy that asks for credentials gets the player's
// Windows logon. Redirects are followed except from https to http; certificate checks stay at
// the platform's defaults. Each request is reported to a log, with the route it took.
// The session and one request are here; the download and its resume are in http_download.cpp.
class HttpClient final : public HttpSession {
  public:
    // Opens the session with the user agent "QuillGuard HTTP Client/1.0". When that fails the
    // client stays usable: lastError() says why, CrackUrl still works and every request fails at
    // once without touching the network. Reports to no log, with the launcher's limits.
    HttpClient();
    // The same over the given calls, which must outlive the client.
    explicit HttpClient(const TransportCalls& calls);
    // The same, reporting each request to log (which must outlive the client), with these limits.
    HttpClient(LauncherLog& log, const NetworkLimits& limits);
    ~HttpClient() override = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Splits an absolute http or https URL into host (at most 255 characters), path (at most 2047,
    // taken as it stands, without unescaping) followed by its query (at most 2047 more; a CDN's
    // signed address is refused without it), port (the explicit one, else 80 or 443) and whether
    // the scheme is https. A fragment is dropped: it never goes to a server. On failure returns
    // false, sets lastError() and writes no output.
    bool CrackUrl(const std::wstring& url, std::wstring& host, std::wstring& path,
                  INTERNET_PORT& port, bool& secure);

    // GETs url and, on a 2xx response read to its end (and no shorter than any Content-Length it
    // announced), replaces text with the body byte for byte; on failure returns false and leaves
    // text as it was. A body of more than kFetchLimit bytes is a failure (ERROR_FILE_TOO_LARGE),
    // read no further than that; an answer that has not arrived whole by the fetch deadline is
    // one too (ERROR_WINHTTP_TIMEOUT). Never resumed.
    bool FetchString(const std::wstring& url, std::string& text) override;

    // GETs url straight into filePath, created or truncated before any network traffic. True when
    // the file holds the complete body of a 2xx response, as FetchString judges it, and is closed.
    // On failure: the file is untouched when the session is not open, the URL cannot be split or
    // the file cannot be opened; left empty when connecting, sending or receiving fails; deleted
    // after a bad status or a failed read or write. Too few bytes in a window of the progress
    // floor is a failed read (ERROR_WINHTTP_TIMEOUT). A 200 answer with an ETag or Last-Modified
    // and "Accept-Ranges: bytes" that breaks off after some bytes is asked for once more from
    // where the file ends, with If-Range: a 206 from there to the file's end is appended, a 200
    // replaces what arrived, anything else is the first failure, whose code lastError() keeps. A
    // body that would take the file past byteLimit fails there (ERROR_FILE_TOO_LARGE) and is not
    // resumed.
    bool DownloadToFile(const std::wstring& url, const std::wstring& filePath,
                        std::uint64_t byteLimit = kNoByteLimit) override;

    // 0 after construction; then the system error code of the last failing step, or the HTTP
    // status of a response outside 200..299 (0 when the status could not be read).
    [[nodiscard]] DWORD lastError() const noexcept { return lastError_; }

  private:
    // The two handles of one request; the request is declared last so that it is closed first.
    struct Exchange {
        UniqueInternetHandle connection;
        UniqueInternetHandle request;

        void Close() noexcept {
            request.reset();
            connection.reset();
        }
    };

    // Where a URL points, as CrackUrl splits it.
    struct UrlTarget {
        std::wstring url;
        std::wstring host;
        std::wstring path;
        INTERNET_PORT port = 0;
        bool secure = false;
    };

    // Takes the bytes of a body as they arrive; false stops the reading, with lastError_ set.
    using Sink = std::function<bool(const char*, DWORD)>;

    HttpClient(const TransportCalls* calls, LauncherLog* log, const NetworkLimits& limits);

    static bool IsSuccessStatus(DWORD status) { return status >= 200 && status <= 299; }

    void OpenSession();
    bool CrackUrl(const std::wstring& url, UrlTarget& target);
    bool GetToBuffer(const UrlTarget& target, std::vector<char>& body);
    bool Resume(const UrlTarget& target, const std::wstring& validator, HANDLE file,
                std::uint64_t offset, std::uint64_t announced, const Sink& write);

    TransferClock DownloadClock() const;
    bool SendGet(const UrlTarget& target, const std::wstring& headers, const TransferClock& clock,
                 Exchange& exchange);
    bool Send(HINTERNET request, const std::wstring& headers);
    void UseProxyFor(const UrlTarget& target, HINTERNET request);
    bool AnswerProxyChallenge(HINTERNET request);
    void NoteRoute(HINTERNET request);
    DWORD QueryNumber(HINTERNET request, DWORD query);
    std::wstring QueryText(HINTERNET request, DWORD query);
    bool ReadBody(HINTERNET request, TransferClock& clock, const Sink& consume,
                  std::uint64_t& received);
    // Reports one request that began at startMs; a status outside 200..299 is its failure.
    void Report(LogStage stage, std::wstring_view url, DWORD status, bool succeeded,
                std::uint64_t received, std::uint64_t startMs);

    const TransportCalls* calls_;
    LauncherLog* log_;
    NetworkLimits limits_;
    UniqueInternetHandle session_;
    ProxyMode proxyMode_ = ProxyMode::Default;
    UserProxySettings userProxy_;
    // The proxy the current request went through, empty for a direct one; nothing before a
    // request was sent.
    std::optional<std::wstring> route_;
    DWORD lastError_ = 0;
};

// Sessions over WinHTTP with the launcher's limits, reporting to log, which must outlive them.
class Win32Downloads final : public Downloads {
  public:
    explicit Win32Downloads(LauncherLog& log) : log_(log) {}

    std::unique_ptr<HttpSession> OpenSession() override {
        return std::make_unique<HttpClient>(log_, NetworkLimits());
    }

  private:
    LauncherLog& log_;
};

}  // namespace quillguard
