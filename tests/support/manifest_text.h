#pragma once

#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "integrity/sha1.h"

namespace quillguard::testing {

// The digest of some bytes: a std::string or a std::vector<std::uint8_t>.
template <typename Bytes = std::vector<std::uint8_t>>
Sha1Digest DigestOf(const Bytes& bytes) {
    Sha1 sha1;
    sha1.Update(bytes.data(), bytes.size());
    return sha1.Final();
}

// The hex digest of some bytes, as a manifest would name them.
inline std::string HexDigestOf(const std::string& bytes, bool upper = false) {
    std::string text;
    for (const wchar_t digit : Sha1ToHex(DigestOf(bytes))) {
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

}  // namespace quillguard::testing
