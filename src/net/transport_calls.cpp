#include "net/transport_calls.h"

namespace quillguard {
namespace {

struct Binding {
    TransportCalls calls{};
    decltype(&::WinHttpCloseHandle) closeHandle = nullptr;
    DWORD loadError = ERROR_SUCCESS;
};

template <typename Function>
bool Bind(HMODULE module, const char* name, Function& function) {
    // GetProcAddress returns an untyped pointer; the table's type is the SDK's own declaration.
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return function != nullptr;
}

Binding Load() {
    Binding binding;
    // winhttp.dll is not among the DLLs that Windows always takes from its own folder, and a game
    // folder is often writable by the user while the launcher may run elevated: a winhttp.dll
    // planted beside the launcher must never be loaded, so only the system folder is searched.
    // The module stays loaded for the life of the process.
    const HMODULE module = ::LoadLibraryExW(L"winhttp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        binding.loadError = ::GetLastError();
        return binding;
    }
    TransportCalls& calls = binding.calls;
    const bool bound = Bind(module, "WinHttpOpen", calls.WinHttpOpen) &&
                       Bind(module, "WinHttpCrackUrl", calls.WinHttpCrackUrl) &&
                       Bind(module, "WinHttpConnect", calls.WinHttpConnect) &&
                       Bind(module, "WinHttpOpenRequest", calls.WinHttpOpenRequest) &&
                       Bind(module, "WinHttpSetTimeouts", calls.WinHttpSetTimeouts) &&
                       Bind(module, "WinHttpSetOption", calls.WinHttpSetOption) &&
                       Bind(module, "WinHttpSendRequest", calls.WinHttpSendRequest) &&
                       Bind(module, "WinHttpReceiveResponse", calls.WinHttpReceiveResponse) &&
                       Bind(module, "WinHttpQueryHeaders", calls.WinHttpQueryHeaders) &&
                       Bind(module, "WinHttpQueryDataAvailable", calls.WinHttpQueryDataAvailable) &&
                       Bind(module, "WinHttpReadData", calls.WinHttpReadData) &&
                       Bind(module, "WinHttpQueryOption", calls.WinHttpQueryOption) &&
                       Bind(module, "WinHttpGetIEProxyConfigForCurrentUser",
                            calls.WinHttpGetIEProxyConfigForCurrentUser) &&
                       Bind(module, "WinHttpGetProxyForUrl", calls.WinHttpGetProxyForUrl) &&
                       Bind(module, "WinHttpQueryAuthSchemes", calls.WinHttpQueryAuthSchemes) &&
                       Bind(module, "WinHttpSetCredentials", calls.WinHttpSetCredentials) &&
                       Bind(module, "WinHttpCloseHandle", binding.closeHandle);
    if (!bound) {
        binding.loadError = ::GetLastError();
        binding.closeHandle = nullptr;
        return binding;
    }
    calls.WriteFile = &::WriteFile;
    return binding;
}

const Binding& SystemBinding() {
    static const Binding binding = Load();
    return binding;
}

}  // namespace

const TransportCalls* SystemTransportCalls() {
    const Binding& binding = SystemBinding();
    if (binding.closeHandle == nullptr) {
        ::SetLastError(binding.loadError);
        return nullptr;
    }
    return &binding.calls;
}

void CloseInternetHandle(HINTERNET handle) noexcept {
    // A handle exists only when the binding succeeded, so closeHandle is set here.
    SystemBinding().closeHandle(handle);
}

}  // namespace quillguard
