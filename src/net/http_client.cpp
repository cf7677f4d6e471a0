#include "net/http_client.h"

#include <array>
#include <cstddef>
#include <cstdint>

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

}  // namespace

HttpClient::HttpClient() : HttpClient(SystemTransportCalls()) {}

HttpClient::HttpClient(const TransportCalls& calls) : HttpClient(&calls) {}

HttpClient::HttpClient(const TransportCalls* calls) : calls_(calls) {
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

bool HttpClient::SendGet(const std::wstring& host, const std::wstring& path, INTERNET_PORT port,
                         bool secure, Exchange& exchange) {
    exchange.connection.reset(calls_->WinHttpConnect(session_.get(), host.c_str(), port, 0));
    if (!exchange.connection) {
        lastError_ = ::GetLastError();
        return false;
    }
    // Certificate checks stay at WinHTTP's defaults: an unknown authority, a wrong name or an
    // expired certificate fails the request.
    exchange.request.reset(calls_->WinHttpOpenRequest(
        exchange.connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
        WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
    if (!exchange.request) {
        lastError_ = ::GetLastError();
        exchange.Close();
        return false;
    }
    if (!calls_->WinHttpSendRequest(exchange.request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                    WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
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

bool HttpClient::ReadBody(HINTERNET request, const ProgressCallback& progress,
                          const std::function<bool(const char*, DWORD)>& consume) {
    // Content-Length serves progress and the completeness check; the body is read until WinHTTP
    // has no more, also when no length was announced.
    const DWORD length = QueryNumber(request, WINHTTP_QUERY_CONTENT_LENGTH);
    const bool reportProgress = progress && length != 0;
    if (reportProgress) {
        progress(0.0F);
    }
    DWORD received = 0;
    // Also counted in 64 bits, so that the check against the announced length holds past 4 GiB.
    std::uint64_t total = 0;
    for (;;) {
        DWORD available = 0;
        if (!calls_->WinHttpQueryDataAvailable(request, &available)) {
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
        received += read;
        total += read;
        if (reportProgress) {
            progress(Percentage(received, length));
        }
    }
}

bool HttpClient::GetToBuffer(const std::wstring& host, const std::wstring& path, INTERNET_PORT port,
                             bool secure, std::vector<char>& body, ProgressCallback progress) {
    return GetToBuffer(UrlTarget{host, path, port, secure}, body, SIZE_MAX, progress);
}

bool HttpClient::GetToBuffer(const UrlTarget& target, std::vector<char>& body, std::size_t limit,
                             const ProgressCallback& progress) {
    if (!session_) {
        return false;
    }
    Exchange exchange;
    if (!SendGet(target.host, target.path, target.port, target.secure, exchange)) {
        return false;
    }
    const DWORD status = QueryNumber(exchange.request.get(), WINHTTP_QUERY_STATUS_CODE);
    if (!IsSuccessStatus(status)) {
        lastError_ = status;
        exchange.Close();
        return false;
    }
    body.clear();
    const bool complete =
        ReadBody(exchange.request.get(), progress, [&](const char* data, DWORD size) {
            // Memory must not grow without end on a server that sends more than it should.
            if (size > limit - body.size()) {
                lastError_ = ERROR_FILE_TOO_LARGE;
                return false;
            }
            body.insert(body.end(), data, data + size);
            return true;
        });
    exchange.Close();
    return complete;
}

bool HttpClient::CrackUrl(const std::wstring& url, UrlTarget& target) {
    return CrackUrl(url, target.host, target.path, target.port, target.secure);
}

bool HttpClient::FetchString(const std::wstring& url, std::string& text) {
    UrlTarget target;
    if (!CrackUrl(url, target)) {
        return false;
    }
    std::vector<char> body;
    if (!GetToBuffer(target, body, kFetchLimit, ProgressCallback())) {
        return false;
    }
    text.assign(body.data(), body.size());
    return true;
}

bool HttpClient::DownloadToFile(const std::wstring& url, const std::wstring& filePath,
                                ProgressCallback progress, std::uint64_t byteLimit) {
    if (!session_) {
        return false;
    }
    UrlTarget target;
    if (!CrackUrl(url, target)) {
        return false;
    }
    // Truncates an existing file before any network traffic. No sharing: nothing else may open
    // the file while it is being written.
    UniqueFileHandle file(::CreateFileW(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        lastError_ = ::GetLastError();
        return false;
    }
    Exchange exchange;
    if (!SendGet(target.host, target.path, target.port, target.secure, exchange)) {
        return false;  // the file stays behind, empty
    }
    bool succeeded = false;
    const DWORD status = QueryNumber(exchange.request.get(), WINHTTP_QUERY_STATUS_CODE);
    if (!IsSuccessStatus(status)) {
        lastError_ = status;
    } else {
        std::uint64_t remaining = byteLimit;
        succeeded = ReadBody(exchange.request.get(), progress, [&](const char* data, DWORD size) {
            if (size > remaining) {
                lastError_ = ERROR_FILE_TOO_LARGE;
                return false;
            }
            remaining -= size;
            DWORD written = 0;
            if (!calls_->WriteFile(file.get(), data, size, &written, nullptr) || written != size) {
                lastError_ = ::GetLastError();
                return false;
            }
            return true;
        });
    }
    // Request, connection, then the file, which must be closed before it can be deleted.
    exchange.Close();
    file.reset();
    if (!succeeded) {
        ::DeleteFileW(filePath.c_str());
    }
    return succeeded;
}

}  // namespace quillguard
