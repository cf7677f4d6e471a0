// Times one operation and prints "MODE SECONDS PEAK_WORKING_SET_BYTES"; download-benchmark.sh
// runs each mode several times, in fresh processes, and compares them.
//
//   qg_download_benchmark client URL FILE    HttpClient::DownloadToFile
//   qg_download_benchmark loop URL FILE      the shortest WinHTTP loop making the same calls
//   qg_download_benchmark hash FILE          HashFile
//   qg_download_benchmark library BASE DIR   the client library update of DIR\QGClient.dll
//                                            from the server at BASE (fetch, download, verify,
//                                            replace), for a client target that cannot be read
#include <windows.h>
#include <winhttp.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "base/win32_file_system.h"
#include "base/win32_processes.h"
#include "game/client_library_update.h"
#include "integrity/file_hashing.h"
#include "net/http_client.h"

namespace {

// The benchmark measures the update, not the log.
class NoLog final : public quillguard::LauncherLog {
  public:
    void Record(const quillguard::LogEntry&) override {}
};

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

bool UpdateLibrary(const std::wstring& base, const std::wstring& folder) {
    quillguard::GameTargets targets;
    targets.launcherDir = folder;
    targets.targetPath = folder + L"\\no-target.exe";
    quillguard::HttpClient session;
    quillguard::Win32FileSystem files;
    quillguard::Win32Processes processes;
    NoLog log;
    const quillguard::LauncherFacts self{folder + L"\\Foo_QG.exe", L"", L"", false};
    return quillguard::UpdateClientLibrary(targets, self, {session, base, nullptr, log}, files,
                                           processes)
               .code == quillguard::kSuccess;
}

bool Run(const std::wstring& mode, int argc, wchar_t** argv) {
    if (mode == L"client" && argc == 4) {
        return quillguard::HttpClient().DownloadToFile(argv[2], argv[3]);
    }
    if (mode == L"loop" && argc == 4) {
        return ShortestLoop(argv[2], argv[3]);
    }
    if (mode == L"hash" && argc == 3) {
        return quillguard::HashFile(argv[2]) != quillguard::Sha1Digest{};
    }
    return mode == L"library" && argc == 4 && UpdateLibrary(argv[2], argv[3]);
}

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const auto start = std::chrono::steady_clock::now();
    const bool ok = Run(mode, argc, argv);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (!ok) {
        std::fputs(
            "usage: qg_download_benchmark client|loop URL FILE | hash FILE | library BASE DIR"
            " (or the operation failed)\n",
            stderr);
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    std::printf("%ls %.3f %llu\n", mode.c_str(), seconds.count(),
                static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    return 0;
}
