#include "publish/update_tree.h"

#include <charconv>

namespace quillguard::publish {
namespace {

bool IsPlainNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
}

bool IsPort(std::string_view text) {
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return error == std::errc() && end == text.data() + text.size() && text.front() != '0' &&
           port <= 65535;
}

}  // namespace

std::string BuildPath(const Sha1Digest& digest, std::string_view extension) {
    return std::string(kBuildFolder) + "/" + HexOf(digest.bytes) + "." + std::string(extension);
}

bool IsBaseUrl(std::string_view url) {
    constexpr std::string_view scheme = "https://";
    if (!url.starts_with(scheme)) {
        return false;
    }
    const std::string_view authority = url.substr(scheme.size());
    const auto colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    for (const char c : host) {
        if (!IsHostCharacter(c)) {
            return false;
        }
    }
    return !host.empty() &&
           (colon == std::string_view::npos || IsPort(authority.substr(colon + 1)));
}

std::string UrlOf(std::string_view baseUrl, std::string_view treePath) {
    return std::string(baseUrl) + "/" + std::string(treePath);
}

std::optional<std::string> TreePathOf(std::string_view baseUrl, std::string_view url) {
    if (url.size() <= baseUrl.size() || !url.starts_with(baseUrl) || url[baseUrl.size()] != '/') {
        return std::nullopt;
    }
    const std::string_view path = url.substr(baseUrl.size() + 1);
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view name = path.substr(start, end - start);
        if (name.empty() || name == "." || name == "..") {
            return std::nullopt;
        }
        for (const char c : name) {
            if (!IsPlainNameCharacter(c)) {
                return std::nullopt;
            }
        }
        start = end + 1;
    }
    return std::string(path);
}

std::string NarrowUrl(std::wstring_view url) {
    std::string bytes;
    for (const wchar_t unit : url) {
        bytes.push_back(static_cast<char>(unit));
    }
    return bytes;
}

std::string ManifestText(const Sha1Digest& digest, std::string_view url) {
    return R"({"sha1":")" + HexOf(digest.bytes) + R"(","url":")" + std::string(url) + "\"}\n";
}

std::filesystem::path OnDisk(const std::filesystem::path& root, std::string_view treePath) {
    return root / std::filesystem::path(std::string(treePath));
}

}  // namespace quillguard::publish
