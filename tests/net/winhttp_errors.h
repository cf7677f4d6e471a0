#pragma once

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <vector>

namespace quillguard::testing {

inline constexpr DWORD kUnrecognizedScheme = ERROR_WINHTTP_UNRECOGNIZED_SCHEME;
inline constexpr DWORD kCannotConnect = ERROR_WINHTTP_CANNOT_CONNECT;
inline constexpr DWORD kInvalidServerResponse = ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
inline constexpr DWORD kConnectionError = ERROR_WINHTTP_CONNECTION_ERROR;

// Where Windows and wine 8 report one failure with different codes, a test accepts both and
// names which is which.
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
