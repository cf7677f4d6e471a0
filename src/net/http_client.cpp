#include "net/http_client.h"

#include <versionhelpers.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillguard {
namespace {

constexpr wchar_t kUserAgent[] = L"QuillGuard HTTP Client/1.0";
constexpr std::size_t kHostCapacity = 256;  // 255 characters and the terminator
constexpr std::size_t kPathCapacity = 2048;

std::uint64_t Now() {
    return ::GetTickCount64();
}

// Takes a string that WinHTTP allocated for the caller, and frees it.
std::wstring Adopt(LPWSTR text) {
    std::wstring copy = text != nullptr ? text : L"";
    ::GlobalFree(text);
    return copy;
}

// The player's settings, or nothing when they cannot be read.
std::optional<UserProxySettings> ReadUserProxySettings(const TransportCalls& calls) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!calls.WinHttpGetIEProxyConfigForCurrentUser(&config)) {
        return std::nullopt;
    }
    UserProxySettings settings;
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.autoConfigUrl = Adopt(config.lpszAutoConfigUrl);
    settings.proxy = Adopt(config.lpszProxy);
    settings.bypass = Adopt(config.lpszProxyBypass);
    return settings;
}

// Stands in for the log of a client that reports to none.
class NoLog final : public LauncherLog {
  public:
    void Record(const LogEntry&) override {}
};

NoLog noLog;

}  // namespace

HttpClient::HttpClient() : HttpClient(SystemTransportCalls(), nullptr, NetworkLimits()) {}

HttpClient::HttpClient(const TransportCalls& calls)
    : HttpClient(&calls, nullptr, NetworkLimits()) {}

HttpClient::HttpClient(LauncherLog& log, const NetworkLimits& limits)
    : HttpClient(SystemTransportCalls(), &log, limits) {}

HttpClient::HttpClient(const TransportCalls* calls, LauncherLog* log, const NetworkLimits& limits)
    : calls_(calls), log_(log != nullptr ? log : &noLog), limits_(limits) {
    if (calls_ == nullptr) {
        lastError_ = ::GetLastError();
        return;
    }
    OpenSession();
}

void HttpClient::OpenSession() {
    // WinHTTP's default is the machine's setting, usually direct, where the player's browser may
    // go through a proxy: Windows 8.1 and later follow the player's settings themselves, earlier
    // ones are given them.
    const bool automatic = ::IsWindows8Point1OrGreater();
    const auto user = automatic ? std::nullopt : ReadUserProxySettings(*calls_);
    proxyMode_ = ChooseProxyMode(automatic, user);
    userProxy_ = user.value_or(UserProxySettings());
    const bool named = !userProxy_.proxy.empty() && proxyMode_ != ProxyMode::Default;
    const DWORD access = automatic ? WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY
                         : named   ? WINHTTP_ACCESS_TYPE_NAMED_PROXY
                                   : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
    const wchar_t* bypass =
        named && !userProxy_.bypass.empty() ? userProxy_.bypass.c_str() : WINHTTP_NO_PROXY_BYPASS;
    session_.reset(calls_->WinHttpOpen(
        kUserAgent, access, named ? userProxy_.proxy.c_str() : WINHTTP_NO_PROXY_NAME, bypass, 0));
    // Said explicitly, because a redirect to http would give the build to anyone on the way.
    DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP;
    if (!session_ || !calls_->WinHttpSetOption(session_.get(), WINHTTP_OPTION_REDIRECT_POLICY,
                                               &redirects, sizeof(redirects))) {
        lastError_ = ::GetLastError();
        session_.reset();
    }
}

bool HttpClient::CrackUrl(const std::wstring& url, std::wstring& host, std::wstring& path,
                          INTERNET_PORT& port, bool& secure) {
    if (calls_ == nullptr) {
        return false;  // lastError_ still holds why winhttp.dll could not be bound
    }
    std::array<wchar_t, kHostCapacity> hostBuffer{};
    std::array<wchar_t, kPathCapacity> pathBuffer{};
    std::array<wchar_t, kPathCapacity> extraBuffer{};
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = hostBuffer.data();
    parts.dwHostNameLength = static_cast<DWORD>(hostBuffer.size());
    parts.lpszUrlPath = pathBuffer.data();
    parts.dwUrlPathLength = static_cast<DWORD>(pathBuffer.size());
    parts.lpszExtraInfo = extraBuffer.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extraBuffer.size());
    if (url.size() > MAXDWORD) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return false;
    }
    // Flags 0: no escaping or unescaping, the path is taken as the URL spells it.
    if (!calls_->WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        lastError_ = ::GetLastError();
        return false;
    }
    host = hostBuffer.data();
    // The extra information is the query and the fragment; only the query goes to the server.
    const std::wstring_view extra = extraBuffer.data();
    path = std::wstring(pathBuffer.data()) + std::wstring(extra.substr(0, extra.find(L'#')));
    port = parts.nPort;
    secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

bool HttpClient::CrackUrl(const std::wstring& url, UrlTarget& target) {
    target.url = url;
    return CrackUrl(url, target.host, target.path, target.port, target.secure);
}

bool HttpClient::Send(HINTERNET request, const std::wstring& headers) {
    return calls_->WinHttpSendRequest(
               request, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
               static_cast<DWORD>(headers.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
           calls_->WinHttpReceiveResponse(request, nullptr);
}

void HttpClient::UseProxyFor(const UrlTarget& target, HINTERNET request) {
    route_ = proxyMode_ == ProxyMode::Named ? userProxy_.proxy : std::wstring();
    if (proxyMode_ != ProxyMode::PerRequest) {
        return;
    }
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = userProxy_.autoDetect ? WINHTTP_AUTOPROXY_AUTO_DETECT : 0;
    options.dwAutoDetectFlags =
        userProxy_.autoDetect ? WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A : 0;
    if (!userProxy_.autoConfigUrl.empty()) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = userProxy_.autoConfigUrl.c_str();
    }
    // A PAC server that asks who the player is gets the Windows logon, never a prompt.
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO found{};
    if (!calls_->WinHttpGetProxyForUrl(session_.get(), target.url.c_str(), &options, &found)) {
        // No script found or it failed: the session's own setting, the named proxy if any.
        route_ = userProxy_.proxy;
        return;
    }
    const std::wstring proxy = Adopt(found.lpszProxy);
    const std::wstring bypass = Adopt(found.lpszProxyBypass);
    WINHTTP_PROXY_INFO chosen{};
    chosen.dwAccessType =
        proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    chosen.lpszProxy = proxy.empty() ? nullptr : const_cast<LPWSTR>(proxy.c_str());
    chosen.lpszProxyBypass = bypass.empty() ? nullptr : const_cast<LPWSTR>(bypass.c_str());
    if (calls_->WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &chosen, sizeof(chosen))) {
        route_ = proxy;
    }
}

bool HttpClient::AnswerProxyChallenge(HINTERNET request) {
    DWORD schemes = 0;
    DWORD first = 0;
    DWORD target = 0;
    if (!calls_->WinHttpQueryAuthSchemes(request, &schemes, &first, &target) ||
        target != WINHTTP_AUTH_TARGET_PROXY) {
        return false;
    }
    // Only the schemes that can prove the Windows logon without a password: asking the player for
    // one would be a prompt, and Basic would send it in the clear.
    const DWORD scheme = (schemes & WINHTTP_AUTH_SCHEME_NEGOTIATE) != 0
                             ? WINHTTP_AUTH_SCHEME_NEGOTIATE
                         : (schemes & WINHTTP_AUTH_SCHEME_NTLM) != 0 ? WINHTTP_AUTH_SCHEME_NTLM
                                                                     : 0;
    // No user name and password: the logon of the player running the launcher.
    return scheme != 0 && calls_->WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme,
                                                        nullptr, nullptr, nullptr);
}

void HttpClient::NoteRoute(HINTERNET request) {
    // Windows 8.1 and later say which way an automatic choice went; elsewhere the route is the
    // one this session chose.
    WINHTTP_PROXY_RESULT_ENTRY entry{};
    DWORD size = sizeof(entry);
    if (calls_->WinHttpQueryOption(request, WINHTTP_OPTION_PROXY_RESULT_ENTRY, &entry, &size)) {
        route_ = entry.fProxy && entry.pwszProxy != nullptr
                     ? std::wstring(entry.pwszProxy) + L":" + std::to_wstring(entry.ProxyPort)
                     : std::wstring();
    }
}

bool HttpClient::SendGet(const UrlTarget& target, const std::wstring& headers,
                         const TransferClock& clock, Exchange& exchange) {
    exchange.connection.reset(
        calls_->WinHttpConnect(session_.get(), target.host.c_str(), target.port, 0));
    if (!exchange.connection) {
        lastError_ = ::GetLastError();
        return false;
    }
    // Certificate checks stay at WinHTTP's defaults: an unknown authority, a wrong name or an
    // expired certificate fails the request.
    exchange.request.reset(calls_->WinHttpOpenRequest(
        exchange.connection.get(), L"GET", target.path.c_str(), nullptr, WINHTTP_NO_REFERER,
        WINHTTP_DEFAULT_ACCEPT_TYPES, target.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!exchange.request) {
        lastError_ = ::GetLastError();
        exchange.Close();
        return false;
    }
    const HINTERNET request = exchange.request.get();
    UseProxyFor(target, request);
    // The wait for the answer's head is already cut at a fetch's deadline.
    DWORD wait = clock.WaitMs(Now());
    const bool sent =
        calls_->WinHttpSetTimeouts(request, static_cast<int>(limits_.resolveMs),
                                   static_cast<int>(limits_.connectMs),
                                   static_cast<int>(limits_.sendMs), static_cast<int>(wait)) &&
        calls_->WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &wait,
                                 sizeof(wait)) &&
        Send(request, headers) &&
        (QueryNumber(request, WINHTTP_QUERY_STATUS_CODE) != HTTP_STATUS_PROXY_AUTH_REQ ||
         !AnswerProxyChallenge(request) || Send(request, headers));
    if (!sent) {
        lastError_ = ::GetLastError();
        exchange.Close();
        return false;
    }
    NoteRoute(request);
    return true;
}

DWORD HttpClient::QueryNumber(HINTERNET request, DWORD query) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (!calls_->WinHttpQueryHeaders(request, query | WINHTTP_QUERY_FLAG_NUMBER,
                                     WINHTTP_HEADER_NAME_BY_INDEX, &value, &size,
                                     WINHTTP_NO_HEADER_INDEX)) {
        return 0;  // an absent header reads as 0
    }
    return value;
}

std::wstring HttpClient::QueryText(HINTERNET request, DWORD query) {
    DWORD size = 0;
    calls_->WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX,
                                WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (text.empty() || !calls_->WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX,
                                                     text.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
        return {};  // absent
    }
    text.resize(size / sizeof(wchar_t));
    return text;
}

bool HttpClient::ReadBody(HINTERNET request, TransferClock& clock, const Sink& consume,
                          std::uint64_t& received) {
    // Content-Length serves the completeness check; the body is read until WinHTTP has no more,
    // also when no length was announced.
    const DWORD length = QueryNumber(request, WINHTTP_QUERY_CONTENT_LENGTH);
    // Counted in 64 bits, so that the check against the announced length holds past 4 GiB.
    std::uint64_t total = 0;
    for (;;) {
        // WinHTTP restarts its receive time-out with every piece; each wait is cut to what the
        // deadline and the progress floor leave.
        DWORD wait = clock.WaitMs(Now());
        if (wait == 0) {
            lastError_ = ERROR_WINHTTP_TIMEOUT;
            return false;
        }
        DWORD available = 0;
        if (!calls_->WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &wait,
                                      sizeof(wait)) ||
            !calls_->WinHttpQueryDataAvailable(request, &available)) {
            lastError_ = ::GetLastError();
            return false;
        }
        if (available == 0) {
            // WinHTTP ends a body quietly when the server closes the connection early. Fewer bytes
            // than announced is a broken transfer, never a complete body.
            if (total < length) {
                lastError_ = ERROR_WINHTTP_CONNECTION_ERROR;
                return false;
            }
            return true;
        }
        // One buffer of exactly the reported size per piece, released before the next one, so a
        // body of any size is streamed rather than held.
        std::vector<char> buffer(available);
        DWORD read = 0;
        if (!calls_->WinHttpReadData(request, buffer.data(), available, &read)) {
            lastError_ = ::GetLastError();
            return false;
        }
        if (!consume(buffer.data(), read)) {
            return false;
        }
        total += read;
        received += read;
        if (!clock.Arrived(read, Now())) {
            lastError_ = ERROR_WINHTTP_TIMEOUT;
            return false;
        }
    }
}

void HttpClient::Report(LogStage stage, std::wstring_view url, DWORD status, bool succeeded,
                        std::uint64_t received, std::uint64_t startMs) {
    LogEntry entry;
    entry.stage = stage;
    entry.url = url;
    if (status != 0) {
        entry.status = status;
        entry.bytes = received;
    }
    if (route_) {
        entry.proxy = *route_;
    }
    // A bad status is its own reason; otherwise a failure carries the failing call's code.
    entry.systemError = succeeded || (status != 0 && !IsSuccessStatus(status)) ? 0 : lastError_;
    entry.milliseconds = Now() - startMs;
    log_->Record(entry);
    route_.reset();
}

bool HttpClient::GetToBuffer(const UrlTarget& target, std::vector<char>& body) {
    const std::uint64_t start = Now();
    TransferClock clock(limits_.receiveMs, limits_.fetchDeadlineMs, 0, 0, start);
    Exchange exchange;
    if (!SendGet(target, {}, clock, exchange)) {
        Report(LogStage::Fetch, target.url, 0, false, 0, start);
        return false;
    }
    const DWORD status = QueryNumber(exchange.request.get(), WINHTTP_QUERY_STATUS_CODE);
    std::uint64_t received = 0;
    bool complete = false;
    if (!IsSuccessStatus(status)) {
        lastError_ = status;
    } else {
        const Sink keep = [&](const char* data, DWORD size) {
            // Memory must not grow without end on a server that sends more than it should.
            if (size > kFetchLimit - body.size()) {
                lastError_ = ERROR_FILE_TOO_LARGE;
                return false;
            }
            body.insert(body.end(), data, data + size);
            return true;
        };
        complete = ReadBody(exchange.request.get(), clock, keep, received);
    }
    exchange.Close();
    Report(LogStage::Fetch, target.url, status, complete, received, start);
    return complete;
}

bool HttpClient::FetchString(const std::wstring& url, std::string& text) {
    UrlTarget target;
    if (!session_ || !CrackUrl(url, target)) {
        Report(LogStage::Fetch, url, 0, false, 0, Now());
        return false;
    }
    std::vector<char> body;
    if (!GetToBuffer(target, body)) {
        return false;
    }
    text.assign(body.data(), body.size());
    return true;
}

}  // namespace quillguard
