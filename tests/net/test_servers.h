// Where the servers that ctest starts for the transport tests are, and the codes they provoke.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillguard::testing {

// A variable that ctest sets for the test program; the program cannot run without it.
inline std::wstring ServerSetting(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    if (value == nullptr || *value == L'\0') {
        throw std::runtime_error("the test needs its servers' settings from ctest");
    }
    return value;
}

// http://127.0.0.1:PORT with the port that the fault server wrote to file.
inline std::wstring FaultServer(const wchar_t* file) {
    std::ifstream in(std::filesystem::path(ServerSetting(L"QG_FAULT_STATE")) / file);
    unsigned port = 0;
    if (!(in >> port)) {
        throw std::runtime_error("the fault server is not running");
    }
    return L"http://127.0.0.1:" + std::to_wstring(port);
}

// A path on the fault-injecting server; see servers/fault_server.py.
inline std::wstring FaultUrl(const std::wstring& path) {
    static const std::wstring base = FaultServer(L"fault.port");
    return base + path;
}

// A port on 127.0.0.1 that refuses connections.
inline std::wstring RefusedUrl() {
    static const std::wstring base = FaultServer(L"refused.port");
    return base + L"/refused";
}

// nginx with the certificate that the test prefix trusts, and with one from an authority that
// nothing trusts.
inline const std::wstring kTrustedServer = L"https://localhost:47443";
inline const std::wstring kUnknownAuthorityServer = L"https://localhost:47444";

// Puts bytes at a path under /transport/ of the tree nginx serves and returns that URL path.
inline std::wstring Publish(const std::wstring& name, const std::string& bytes) {
    const auto folder = std::filesystem::path(ServerSetting(L"QG_NGINX_ROOT")) / L"transport";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << bytes;
    return L"/transport/" + name;
}

// size bytes counting 0, 1, .. 255, 0, ..: what the fault server sends as a body.
inline std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 256);
    }
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

inline bool OneOf(DWORD code, const std::vector<DWORD>& codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace quillguard::testing
