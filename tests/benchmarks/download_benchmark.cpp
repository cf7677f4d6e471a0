// Times one download of URL into FILE and prints "MODE SECONDS PEAK_WORKING_SET_BYTES";
// download-benchmark.sh runs each mode several times, in fresh processes, and compares them.
//
//   qg_download_benchmark client URL FILE   HttpClient::DownloadToFile
//   qg_download_benchmark loop URL FILE     the shortest WinHTTP loop making the same calls
#include <windows.h>
#include <winhttp.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "net/http_client.h"

namespace {

// Session, split, connect, request, status, then query-read-write until nothing is left.
bool ShortestLoop(const std::wstring& url, const std::wstring& file) {
    // Lengths without buffers: the parts are pointers into url, the path running to its end.
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    const quillguard::UniqueInternetHandle session(::WinHttpOpen(
        L"QuillGuard HTTP Client/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, nullptr, nullptr, 0));
    if (!session || !::WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        return false;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const quillguard::UniqueInternetHandle connection(
        ::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    const quillguard::UniqueInternetHandle request(
        ::WinHttpOpenRequest(connection.get(), L"GET", parts.lpszUrlPath, nullptr,
                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                             parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    const quillguard::UniqueFileHandle out(::CreateFileW(
        file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD status = 0;
    DWORD size = sizeof(status);
    bool ok =
        request && out && ::WinHttpSendRequest(request.get(), nullptr, 0, nullptr, 0, 0, 0) &&
        ::WinHttpReceiveResponse(request.get(), nullptr) &&
        ::WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                              nullptr, &status, &size, nullptr) &&
        status == 200;
    for (DWORD available = 0;
         ok && ::WinHttpQueryDataAvailable(request.get(), &available) && available > 0;) {
        std::vector<char> buffer(available);
        DWORD read = 0;
        DWORD written = 0;
        ok = ::WinHttpReadData(request.get(), buffer.data(), available, &read) &&
             ::WriteFile(out.get(), buffer.data(), read, &written, nullptr) && written == read;
    }
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc == 4 ? argv[1] : L"";
    if (mode != L"client" && mode != L"loop") {
        std::fputs("usage: qg_download_benchmark client|loop URL FILE\n", stderr);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok = mode == L"client"
                        ? quillguard::HttpClient().DownloadToFile(argv[2], argv[3], {})
                        : ShortestLoop(argv[2], argv[3]);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (!ok) {
        return 1;  // the script reports the missing file
    }
    PROCESS_MEMORY_COUNTERS memory{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    std::printf("%ls %.3f %llu\n", mode.c_str(), seconds.count(),
                static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    return 0;
}
