#pragma once

#include <optional>
#include <string>

namespace quillguard {

// The player's own proxy settings, as Windows keeps them for the current user.
struct UserProxySettings {
    bool autoDetect = false;     // find a PAC script by WPAD
    std::wstring autoConfigUrl;  // a PAC script's address
    std::wstring proxy;          // a named proxy, "host:port" or "scheme=host:port;..."
    std::wstring bypass;         // hosts reached directly
};

// How one session finds the proxy for its requests.
enum class ProxyMode {
    Automatic,   // Windows 8.1 and later follow the player's settings, WPAD and PAC included
    PerRequest,  // auto-detection or a PAC script, asked for each URL; else the named proxy
    Named,       // the player's named proxy, with its bypass list
    Default,     // WinHTTP's own default: the machine's setting, usually direct
};

// The mode for a session: Automatic where the system offers it; otherwise what the player's
// settings ask for, and WinHTTP's default when they cannot be read or name nothing.
ProxyMode ChooseProxyMode(bool automaticAvailable, const std::optional<UserProxySettings>& user);

}  // namespace quillguard
