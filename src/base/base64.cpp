#include "base/base64.h"

#include <algorithm>

namespace quillguard {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
    const auto at = kAlphabet.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at < text.size(); at += 4) {
        const bool last = at + 4 == text.size();
        const std::size_t digits = last ? 4 - padding : 4;
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            int sextet = 0;
            if (i < digits) {
                sextet = SextetOf(text[at + i]);
                if (sextet < 0) {
                    return std::nullopt;
                }
            }
            group = (group << 6) | static_cast<std::uint32_t>(sextet);
        }
        bytes.push_back(static_cast<std::uint8_t>(group >> 16));
        if (digits > 2) {
            bytes.push_back(static_cast<std::uint8_t>(group >> 8));
        } else if ((group & 0xFFFF) != 0) {
            return std::nullopt;
        }
        if (digits > 3) {
            bytes.push_back(static_cast<std::uint8_t>(group));
        } else if ((group & 0xFF) != 0) {
            return std::nullopt;
        }
    }
    return bytes;
}

std::string EncodeBase64(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t group = std::uint32_t{bytes[at]} << 16;
        if (count > 1) {
            group |= std::uint32_t{bytes[at + 1]} << 8;
        }
        if (count > 2) {
            group |= bytes[at + 2];
        }
        for (std::size_t i = 0; i < 4; ++i) {
            text.push_back(i <= count ? kAlphabet[(group >> (18 - 6 * i)) & 0x3F] : '=');
        }
    }
    return text;
}

}  // namespace quillguard
