#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillguard {

// Decodes standard base64 (RFC 4648 alphabet, "=" padding required, no whitespace, zero bits
// after the last byte); std::nullopt on anything else, so that one value has exactly one text.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

// Encodes bytes as standard base64 with padding.
std::string EncodeBase64(std::span<const std::uint8_t> bytes);

}  // namespace quillguard
