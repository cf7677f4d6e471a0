// HttpClient's download into a file and its one resume; the session and the request are in
// http_client.cpp.
#include <cstdint>
#include <optional>

#include "net/content_range.h"
#include "net/http_client.h"

namespace quillguard {
namespace {

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

TransferClock HttpClient::DownloadClock() const {
    return TransferClock(limits_.receiveMs, 0, limits_.floorWindowMs, limits_.floorBytes,
                         ::GetTickCount64());
}

bool HttpClient::DownloadToFile(const std::wstring& url, const std::wstring& filePath,
                                std::uint64_t byteLimit) {
    const std::uint64_t start = ::GetTickCount64();
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
    const HINTERNET request = exchange.request.get();
    const DWORD status = QueryNumber(request, WINHTTP_QUERY_STATUS_CODE);
    // Before the body: a build the disk cannot hold (its signed size, else what the server
    // announces) fails now, leaving nothing, rather than once it has filled the disk.
    const auto needed = byteLimit != kNoByteLimit
                            ? byteLimit
                            : ParseContentLength(QueryText(request, WINHTTP_QUERY_CONTENT_LENGTH));
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
        succeeded = ReadBody(request, clock, write, received);
    }
    // If-Range needs a strong validator: a weak ETag may name other bytes.
    std::wstring validator = QueryText(request, WINHTTP_QUERY_ETAG);
    if (validator.empty() || validator.starts_with(L"W/")) {
        validator = QueryText(request, WINHTTP_QUERY_LAST_MODIFIED);
    }
    const bool ranges = QueryText(request, WINHTTP_QUERY_ACCEPT_RANGES) == L"bytes";
    const std::uint64_t announced = QueryNumber(request, WINHTTP_QUERY_CONTENT_LENGTH);
    exchange.Close();
    Report(LogStage::Download, url, status, succeeded, received, start);
    if (!succeeded && !writeFailed && status == 200 && received > 0 && ranges &&
        !validator.empty()) {
        succeeded = Resume(target, validator, file.get(), received, announced, write);
    }
    // Request, connection, then the file, which must be closed before it can be deleted.
    file.reset();
    if (!succeeded) {
        ::DeleteFileW(filePath.c_str());
    }
    return succeeded;
}

bool HttpClient::Resume(const UrlTarget& target, const std::wstring& validator, HANDLE file,
                        std::uint64_t offset, std::uint64_t announced, const Sink& write) {
    const DWORD failure = lastError_;
    const std::uint64_t start = ::GetTickCount64();
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
            // Only the bytes from the file's end to the end the first answer announced complete
            // it; a range that stops short is a broken download, not a digest mismatch later.
            const auto range =
                ParseContentRange(QueryText(exchange.request.get(), WINHTTP_QUERY_CONTENT_RANGE));
            const std::uint64_t end = range ? range->length.value_or(announced) : 0;
            succeeded = range && range->first == offset && (end == 0 || range->last + 1 == end);
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
        succeeded = succeeded && ReadBody(exchange.request.get(), clock, write, received);
    }
    exchange.Close();
    Report(LogStage::Resume, target.url, status, succeeded, received, start);
    if (!succeeded) {
        lastError_ = failure;  // the failure it would have been without the retry
    }
    return succeeded;
}

}  // namespace quillguard
