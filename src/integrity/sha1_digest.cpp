#include "integrity/sha1_digest.h"

#include <stdexcept>

namespace quillguard {
namespace {

std::uint8_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    throw std::invalid_argument("Invalid hex digit");
}

}  // namespace

Sha1Digest Sha1FromHex(std::string_view text) {
    Sha1Digest digest;
    if (text.size() != 2 * digest.bytes.size()) {
        throw std::invalid_argument("SHA1 hex string must be 40 characters.");
    }
    for (std::size_t i = 0; i < digest.bytes.size(); ++i) {
        const std::uint8_t high = HexDigitValue(text[2 * i]);
        const std::uint8_t low = HexDigitValue(text[2 * i + 1]);
        digest.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return digest;
}

std::wstring Sha1ToHex(const Sha1Digest& digest) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex;
    hex.reserve(2 * digest.bytes.size());
    for (const std::uint8_t byte : digest.bytes) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

}  // namespace quillguard
