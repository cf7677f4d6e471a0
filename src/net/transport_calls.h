#pragma once

#include <windows.h>
#include <winhttp.h>

#include "base/unique_handle.h"

namespace quillguard {

// The system calls that HttpClient makes, gathered in one table so that a test can make one of
// them fail; the launcher always uses SystemTransportCalls().
struct TransportCalls {
    decltype(&::WinHttpOpen) WinHttpOpen;
    decltype(&::WinHttpCrackUrl) WinHttpCrackUrl;
    decltype(&::WinHttpConnect) WinHttpConnect;
    decltype(&::WinHttpOpenRequest) WinHttpOpenRequest;
    decltype(&::WinHttpSetTimeouts) WinHttpSetTimeouts;
    decltype(&::WinHttpSetOption) WinHttpSetOption;
    decltype(&::WinHttpSendRequest) WinHttpSendRequest;
    decltype(&::WinHttpReceiveResponse) WinHttpReceiveResponse;
    decltype(&::WinHttpQueryHeaders) WinHttpQueryHeaders;
    decltype(&::WinHttpQueryDataAvailable) WinHttpQueryDataAvailable;
    decltype(&::WinHttpReadData) WinHttpReadData;
    decltype(&::WinHttpQueryOption) WinHttpQueryOption;
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) WinHttpGetIEProxyConfigForCurrentUser;
    decltype(&::WinHttpGetProxyForUrl) WinHttpGetProxyForUrl;
    decltype(&::WinHttpQueryAuthSchemes) WinHttpQueryAuthSchemes;
    decltype(&::WinHttpSetCredentials) WinHttpSetCredentials;
    decltype(&::WriteFile) WriteFile;
};

// The real calls, with winhttp.dll bound from the system folder on first use. Null when it or one
// of its functions cannot be found; GetLastError then gives the reason.
const TransportCalls* SystemTransportCalls();

// WinHTTP is bound at run time from the system folder only, so its handles are closed through
// that binding rather than through the import table.
void CloseInternetHandle(HINTERNET handle) noexcept;

struct InternetHandleTraits {
    using pointer = HINTERNET;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { CloseInternetHandle(value); }
};

using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;

}  // namespace quillguard
