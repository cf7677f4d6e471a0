#include "net/proxy_choice.h"

namespace quillguard {

ProxyMode ChooseProxyMode(bool automaticAvailable, const std::optional<UserProxySettings>& user) {
    if (automaticAvailable) {
        return ProxyMode::Automatic;
    }
    if (!user) {
        return ProxyMode::Default;
    }
    if (user->autoDetect || !user->autoConfigUrl.empty()) {
        return ProxyMode::PerRequest;
    }
    return user->proxy.empty() ? ProxyMode::Default : ProxyMode::Named;
}

}  // namespace quillguard
