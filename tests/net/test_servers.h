// Where the servers that ctest starts for the transport tests are, and the codes they provoke.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillguard::testing {

// A folder that ctest names for the test program, which cannot run without it.
inline std::filesystem::path ServerFolder(const wchar_t* variable) {
    const wchar_t* value = _wgetenv(variable);
    if (value == nullptr || *value == L'\0') {
        throw std::runtime_error("the test needs its servers' settings from ctest");
    }
    return value;
}

// A path on the fault-injecting server (see servers/fault_server.py), or on the port that the
// server keeps bound but refuses connections on.
inline std::wstring FaultUrl(const std::wstring& path, const wchar_t* portFile = L"fault.port") {
    unsigned port = 0;
    if (!(std::ifstream(ServerFolder(L"QG_FAULT_STATE") / portFile) >> port)) {
        throw std::runtime_error("the fault server is not running");
    }
    return L"http://127.0.0.1:" + std::to_wstring(port) + path;
}

// nginx with the certificate that the test prefix trusts, and with one from an authority that
// nothing trusts.
inline const std::wstring kTrustedServer = L"https://localhost:47443";
inline const std::wstring kUnknownAuthorityServer = L"https://localhost:47444";

// Puts bytes at a path under /transport/ of the tree nginx serves and returns that URL path.
inline std::wstring Publish(const std::wstring& name, const std::string& bytes) {
    const auto folder = ServerFolder(L"QG_NGINX_ROOT") / L"transport";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << bytes;
    return L"/transport/" + name;
}

// size bytes counting 0, 1, .. 255, 0, ..: what the fault server sends as a body.
inline std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    std::iota(bytes.begin(), bytes.end(), '\0');  // wrapping from 255 to 0
    return bytes;
}

// Where Windows and wine 8 report one failure with different codes, a test accepts both.
// An unknown certificate authority: Windows gives ERROR_WINHTTP_SECURE_FAILURE, wine 8
// ERROR_WINHTTP_SECURE_CHANNEL_ERROR.
inline const std::vector<DWORD> kUntrustedCertificate = {ERROR_WINHTTP_SECURE_FAILURE,
                                                         ERROR_WINHTTP_SECURE_CHANNEL_ERROR};
// A reset in the middle of a body: Windows gives ERROR_WINHTTP_CONNECTION_ERROR, wine 8 passes
// the socket's WSAECONNRESET through.
inline const std::vector<DWORD> kResetInTheBody = {ERROR_WINHTTP_CONNECTION_ERROR, WSAECONNRESET};

// A wait that ran out: Windows gives ERROR_WINHTTP_TIMEOUT, wine 8 passes the socket's WSAETIMEDOUT
// through.
inline const std::vector<DWORD> kTimedOut = {ERROR_WINHTTP_TIMEOUT, WSAETIMEDOUT};

inline bool OneOf(DWORD code, const std::vector<DWORD>& codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace quillguard::testing
