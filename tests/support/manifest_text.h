#pragma once

#include <cwctype>
#include <string>

#include "integrity/sha1.h"

namespace quillguard::testing {

// The hex digest of some bytes, as a manifest would name them.
inline std::string HexDigestOf(const std::string& bytes, bool upper = false) {
    Sha1 sha1;
    sha1.Update(bytes.data(), bytes.size());
    std::string text;
    for (const wchar_t digit : Sha1ToHex(sha1.Final())) {
        const auto unit = static_cast<std::wint_t>(digit);
        text.push_back(static_cast<char>(upper ? std::towupper(unit) : unit));
    }
    return text;
}

// A manifest naming a digest and, when given, the URL of the build.
inline std::string ManifestText(const std::string& sha1, const std::wstring& url = {}) {
    const std::string narrowUrl(url.begin(), url.end());
    return R"({"sha1":")" + sha1 + (url.empty() ? "" : R"(","url":")" + narrowUrl) + R"("})";
}
inline std::string ManifestText(const std::string& sha1, const std::string& url) {
    return ManifestText(sha1, std::wstring(url.begin(), url.end()));
}

}  // namespace quillguard::testing
