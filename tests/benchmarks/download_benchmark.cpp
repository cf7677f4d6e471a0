// Times one download of URL into FILE and prints "MODE SECONDS PEAK_WORKING_SET_BYTES FILE_BYTES".
// tests/benchmarks/download-benchmark.sh runs each mode several times, in fresh processes, and
// prints the comparison.
//
//   qg_download_benchmark client URL FILE   HttpClient::DownloadToFile
//   qg_download_benchmark loop URL FILE     the shortest WinHTTP loop making the same calls
#include <windows.h>
#include <winhttp.h>

#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "net/http_client.h"

namespace {

// Session, split, connect, request, status, then query-read-write until nothing is left.
bool ShortestLoop(const std::wstring& url, const std::wstring& file) {
    wchar_t host[256] = {};
    wchar_t path[2048] = {};
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    const HINTERNET session = ::WinHttpOpen(L"QuillGuard HTTP Client/1.0",
                                            WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, nullptr, nullptr, 0);
    if (session == nullptr ||
        !::WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        return false;
    }
    const HINTERNET connection = ::WinHttpConnect(session, host, parts.nPort, 0);
    const HINTERNET request = ::WinHttpOpenRequest(
        connection, L"GET", path, nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
        parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    const quillguard::UniqueFileHandle out(::CreateFileW(
        file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool ok = request != nullptr && out.valid() &&
              ::WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
              ::WinHttpReceiveResponse(request, nullptr);
    DWORD status = 0;
    DWORD size = sizeof(status);
    ok = ok &&
         ::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               nullptr, &status, &size, nullptr) &&
         status == 200;
    std::vector<char> buffer;
    for (DWORD available = 0; ok;) {
        ok = ::WinHttpQueryDataAvailable(request, &available) != 0;
        if (!ok || available == 0) {
            break;
        }
        buffer.resize(available);
        DWORD read = 0;
        DWORD written = 0;
        ok = ::WinHttpReadData(request, buffer.data(), available, &read) &&
             ::WriteFile(out.get(), buffer.data(), read, &written, nullptr) && written == read;
    }
    ::WinHttpCloseHandle(request);
    ::WinHttpCloseHandle(connection);
    ::WinHttpCloseHandle(session);
    return ok;
}

double Seconds(LARGE_INTEGER start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fputs("usage: qg_download_benchmark client|loop URL FILE\n", stderr);
        return 2;
    }
    const std::wstring mode = argv[1];
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    bool ok = false;
    if (mode == L"client") {
        quillguard::HttpClient client;
        ok = client.DownloadToFile(argv[2], argv[3], {});
        if (!ok) {
            std::fprintf(stderr, "DownloadToFile failed: %lu\n", client.lastError());
        }
    } else if (mode == L"loop") {
        ok = ShortestLoop(argv[2], argv[3]);
        if (!ok) {
            std::fprintf(stderr, "the loop failed: %lu\n", ::GetLastError());
        }
    } else {
        std::fputs("usage: qg_download_benchmark client|loop URL FILE\n", stderr);
        return 2;
    }
    const double seconds = Seconds(start);
    if (!ok) {
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    ::GetFileAttributesExW(argv[3], GetFileExInfoStandard, &attributes);
    const unsigned long long bytes =
        (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    std::printf("%ls %.3f %llu %llu\n", mode.c_str(), seconds,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize), bytes);
    return 0;
}
