#include <windows.h>

#include "net/http_client.h"
#include "publish/fetch_file.h"

namespace quillguard::publish {

std::optional<std::string> FetchFile(const std::string& url, const std::filesystem::path& target) {
    // The launcher's own transport: what it fetches is what players get.
    HttpClient client;
    if (client.DownloadToFile(std::wstring(url.begin(), url.end()), target.wstring())) {
        return std::nullopt;
    }
    return "cannot be fetched: error " + std::to_string(client.lastError());
}

}  // namespace quillguard::publish
