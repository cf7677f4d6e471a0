#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>

namespace quillguard::publish {

// The strings of a version resource by name, both in UTF-8: "UpdateServer" -> "https://...".
using VersionStrings = std::map<std::string, std::string, std::less<>>;

// The strings of every string table of a VS_VERSIONINFO block, the first value of a name winning;
// nothing when its lengths, keys or nesting do not hold together within the block.
std::optional<VersionStrings> ParseVersionInfo(std::span<const std::uint8_t> block);

}  // namespace quillguard::publish
