#include "integrity/sha1_digest.h"

#include <stdexcept>

#include "base/hex.h"

namespace quillguard {

Sha1Digest Sha1FromHex(std::string_view text) {
    Sha1Digest digest;
    if (text.size() != 2 * digest.bytes.size()) {
        throw std::invalid_argument("SHA1 hex string must be 40 characters.");
    }
    if (!ReadHex(text, digest.bytes)) {
        throw std::invalid_argument("Invalid hex digit");
    }
    return digest;
}

std::wstring Sha1ToHex(const Sha1Digest& digest) {
    const std::string hex = HexOf(digest.bytes);
    return std::wstring(hex.begin(), hex.end());
}

}  // namespace quillguard
