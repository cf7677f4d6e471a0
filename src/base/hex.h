#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillguard {

enum class HexCase { kLower, kUpper };

// Two hex digits per byte, the high half first.
std::string HexOf(std::span<const std::uint8_t> bytes, HexCase letters = HexCase::kLower);

// Fills bytes from exactly 2 x bytes.size() hex digits in either case; false for any other text,
// with bytes then holding nothing meaningful.
bool ReadHex(std::string_view text, std::span<std::uint8_t> bytes);

}  // namespace quillguard
