#include "net/http_client.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "net/content_range.h"

namespace quillguard {
namespace {

constexpr wchar_t kUserAgent[] = L"QuillGuard HTTP Client/1.0";
constexpr std::size_t kHostCapacity = 256;  // 255 characters and the terminator
constexpr std::size_t kPathCapacity = 2048;

bool IsSuccessStatus(DWORD status) {
    return status >= 200 && status <= 299;
}

// received / length x 100, both counts converted to float first, as the progress contract says.
float Percentage(DWORD received, DWORD length) {
    return static_cast<float>(received) / static_cast<float>(length) * 100.0F;
}

std::uint64_t Now() {
    return ::GetTickCount64();
}

// Stands in for the log of a client that reports to none.
class NoLog final : public LauncherLog {
  public:
    void Record(const LogEntry&) override {}
};

NoLog noLog;

// The bytes free to this user on the volume of a file's folder; nothing when the system cannot
// say.
std::optional<std::uint64_t> FreeBytesBeside(const std::wstring& filePath) {
    const std::wstring folder = filePath.substr(0, filePath.find_last_of(L'\\') + 1);
    ULARGE_INTEGER free{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &free, nullptr, nullptr)) {
        return std::nullopt;
    }
    return free.QuadPart;
}

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
    session_.reset(calls_->WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session_) {
        lastError_ = ::GetLastError();
    }
}

void HttpClient::Close() {
    session_.reset();
}

bool HttpClient::CrackUrl(const std::wstring& url, std::wstring& host, std::wstring& path,
                          INTERNET_PORT& port, bool& secure) {
    if (calls_ == nullptr) {
        return false;  // lastError_ still holds why winhttp.dll could not be bound
    }
    std::array<wchar_t, kHostCapacity> hostBuffer{};
    std::array<wchar_t, kPathCapacity> pathBuffer{};
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = hostBuffer.data();
    parts.dwHostNameLength = static_cast<DWORD>(hostBuffer.size());
    parts.lpszUrlPath = pathBuffer.data();
    parts.dwUrlPathLength = static_cast<DWORD>(pathBuffer.size());
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
    path = pathBuffer.data();
    port = parts.nPort;
    secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
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
    // The wait for the answer's head is already cut at a fetch's deadline.
    DWORD wait = clock.WaitMs(Now());
    if (!calls_->WinHttpSetTimeouts(exchange.request.get(), static_cast<int>(limits_.resolveMs),
                                    static_cast<int>(limits_.connectMs),
                                    static_cast<int>(limits_.sendMs), static_cast<int>(wait)) ||
        !calls_->WinHttpSetOption(exchange.request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                                  &wait, sizeof(wait)) ||
        !calls_->WinHttpSendRequest(
            exchange.request.get(),
            headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
            static_cast<DWORD>(headers.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !calls_->WinHttpReceiveResponse(exchange.request.get(), nullptr)) {
        lastError_ = ::GetLastError();
        exchange.Close();
        return false;
    }
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

bool HttpClient::ReadBody(HINTERNET request, TransferClock& clock, const ProgressCallback& progress,
                          const Sink& consume, std::uint64_t& received) {
    // Content-Length serves progress and the completeness check; the body is read until WinHTTP
    // has no more, also when no length was announced.
    const DWORD length = QueryNumber(request, WINHTTP_QUERY_CONTENT_LENGTH);
    const bool reportProgress = progress && length != 0;
    if (reportProgress) {
        progress(0.0F);
    }
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
        if (reportProgress) {
            progress(Percentage(static_cast<DWORD>(total), length));
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
    }
    // A bad status is its own reason; otherwise a failure carries the failing call's code.
    entry.systemError = succeeded || (status != 0 && !IsSuccessStatus(status)) ? 0 : lastError_;
    if (status != 0) {
        entry.bytes = received;
    }
    entry.milliseconds = Now() - startMs;
    log_->Record(entry);
}

bool HttpClient::GetToBuffer(const std::wstring& host, const std::wstring& path, INTERNET_PORT port,
                             bool secure, std::vector<char>& body, ProgressCallback progress) {
    return GetToBuffer(UrlTarget{host, path, port, secure}, body, SIZE_MAX, limits_.fetchDeadlineMs,
                       progress);
}

bool HttpClient::GetToBuffer(const UrlTarget& target, std::vector<char>& body, std::size_t limit,
                             std::uint32_t deadlineMs, const ProgressCallback& progress) {
    const std::uint64_t start = Now();
    if (!session_) {
        Report(LogStage::Fetch, target.path, 0, false, 0, start);
        return false;
    }
    TransferClock clock(limits_.receiveMs, deadlineMs, 0, 0, start);
    Exchange exchange;
    if (!SendGet(target, {}, clock, exchange)) {
        Report(LogStage::Fetch, target.path, 0, false, 0, start);
        return false;
    }
    const DWORD status = QueryNumber(exchange.request.get(), WINHTTP_QUERY_STATUS_CODE);
    std::uint64_t received = 0;
    bool complete = false;
    if (!IsSuccessStatus(status)) {
        lastError_ = status;
    } else {
        body.clear();
        const Sink keep = [&](const char* data, DWORD size) {
            // Memory must not grow without end on a server that sends more than it should.
            if (size > limit - body.size()) {
                lastError_ = ERROR_FILE_TOO_LARGE;
                return false;
            }
            body.insert(body.end(), data, data + size);
            return true;
        };
        complete = ReadBody(exchange.request.get(), clock, progress, keep, received);
    }
    exchange.Close();
    Report(LogStage::Fetch, target.path, status, complete, received, start);
    return complete;
}

bool HttpClient::CrackUrl(const std::wstring& url, UrlTarget& target) {
    return CrackUrl(url, target.host, target.path, target.port, target.secure);
}

bool HttpClient::FetchString(const std::wstring& url, std::string& text) {
    UrlTarget target;
    if (!CrackUrl(url, target)) {
        Report(LogStage::Fetch, url, 0, false, 0, Now());
        return false;
    }
    std::vector<char> body;
    if (!GetToBuffer(target, body, kFetchLimit, limits_.fetchDeadlineMs, ProgressCallback())) {
        return false;
    }
    text.assign(body.data(), body.size());
    return true;
}

TransferClock HttpClient::DownloadClock() const {
    return TransferClock(limits_.receiveMs, 0, limits_.floorWindowMs, limits_.floorBytes, Now());
}

bool HttpClient::DownloadToFile(const std::wstring& url, const std::wstring& filePath,
                                ProgressCallback progress, std::uint64_t byteLimit) {
    const std::uint64_t start = Now();
    UrlTarget target;
    if (!session_ || !CrackUrl(url, target)) {
        Report(LogStage::Download, url, 0, false, 0, start);
        return false;
    }
    // Truncates an existing file before any network traffic. No sharing: nothing else may open
    // the file while it is being written.
    UniqueFileHandle file(::CreateFileW(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        lastError_ = ::GetLastError();
        Report(LogStage::Download, url, 0, false, 0, start);
        return false;
    }
    TransferClock clock = DownloadClock();
    Exchange exchange;
    if (!SendGet(target, {}, clock, exchange)) {
        Report(LogStage::Download, url, 0, false, 0, start);
        return false;  // the file stays behind, empty
    }
    bool writeFailed = false;
    const Sink write = [&](const char* data, DWORD size) {
        // The bytes go to the file's end, after a resume too: the limit counts what it holds.
        const LARGE_INTEGER here{};
        LARGE_INTEGER end{};
        if (::SetFilePointerEx(file.get(), here, &end, FILE_CURRENT) &&
            (static_cast<std::uint64_t>(end.QuadPart) > byteLimit ||
             size > byteLimit - static_cast<std::uint64_t>(end.QuadPart))) {
            lastError_ = ERROR_FILE_TOO_LARGE;
            writeFailed = true;
            return false;
        }
        DWORD written = 0;
        if (!calls_->WriteFile(file.get(), data, size, &written, nullptr) || written != size) {
            lastError_ = ::GetLastError();
            writeFailed = true;
            return false;
        }
        return true;
    };
    bool succeeded = false;
    std::uint64_t received = 0;
    const DWORD status = QueryNumber(exchange.request.get(), WINHTTP_QUERY_STATUS_CODE);
    // Before the body: a build the disk cannot hold (its signed size, else what the server
    // announces) fails now, leaving nothing, rather than once it has filled the disk.
    const auto needed =
        byteLimit != kNoByteLimit
            ? byteLimit
            : ParseContentLength(QueryText(exchange.request.get(), WINHTTP_QUERY_CONTENT_LENGTH));
    const auto free = FreeBytesBeside(filePath);
    if (!IsSuccessStatus(status)) {
        lastError_ = status;
    } else if (needed && free && *needed > *free) {
        lastError_ = ERROR_DISK_FULL;
        writeFailed = true;
        LogEntry entry = FlowStep(LogStage::DiskSpace, std::nullopt, ERROR_DISK_FULL);
        entry.url = url;
        entry.bytes = needed;
        entry.freeBytes = free;
        log_->Record(entry);
    } else {
        succeeded = ReadBody(exchange.request.get(), clock, progress, write, received);
    }
    // If-Range needs a strong validator: a weak ETag may name other bytes.
    std::wstring validator = QueryText(exchange.request.get(), WINHTTP_QUERY_ETAG);
    if (validator.empty() || validator.starts_with(L"W/")) {
        validator = QueryText(exchange.request.get(), WINHTTP_QUERY_LAST_MODIFIED);
    }
    const bool ranges = QueryText(exchange.request.get(), WINHTTP_QUERY_ACCEPT_RANGES) == L"bytes";
    exchange.Close();
    Report(LogStage::Download, url, status, succeeded, received, start);
    if (!succeeded && !writeFailed && status == 200 && received > 0 && ranges &&
        !validator.empty()) {
        succeeded = Resume(target, validator, file.get(), received, write);
    }
    // Request, connection, then the file, which must be closed before it can be deleted.
    file.reset();
    if (!succeeded) {
        ::DeleteFileW(filePath.c_str());
    }
    return succeeded;
}

bool HttpClient::Resume(const UrlTarget& target, const std::wstring& validator, HANDLE file,
                        std::uint64_t offset, const Sink& write) {
    const DWORD failure = lastError_;
    const std::uint64_t start = Now();
    TransferClock clock = DownloadClock();
    Exchange exchange;
    const std::wstring headers =
        L"Range: bytes=" + std::to_wstring(offset) + L"-\r\nIf-Range: " + validator;
    bool succeeded = SendGet(target, headers, clock, exchange);
    DWORD status = 0;
    std::uint64_t received = 0;
    if (succeeded) {
        status = QueryNumber(exchange.request.get(), WINHTTP_QUERY_STATUS_CODE);
        if (status == 206) {
            // Only the bytes that follow the file's end may be appended to it.
            const auto range =
                ParseContentRange(QueryText(exchange.request.get(), WINHTTP_QUERY_CONTENT_RANGE));
            succeeded = range && range->first == offset;
            lastError_ = succeeded ? lastError_ : ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
        } else if (status == 200) {
            // The file changed on the server since the first answer: the new one starts over.
            const LARGE_INTEGER origin{};
            succeeded =
                ::SetFilePointerEx(file, origin, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
            lastError_ = succeeded ? lastError_ : ::GetLastError();
        } else {
            succeeded = false;
            lastError_ = status;
        }
        succeeded = succeeded &&
                    ReadBody(exchange.request.get(), clock, ProgressCallback(), write, received);
    }
    exchange.Close();
    Report(LogStage::Resume, target.path, status, succeeded, received, start);
    if (!succeeded) {
        lastError_ = failure;  // the failure it would have been without the retry
    }
    return succeeded;
}

}  // namespace quillguard
