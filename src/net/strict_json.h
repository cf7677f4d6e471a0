#pragma once

#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

namespace quillguard {

// The one JSON value a body holds, read strictly: no comments, no trailing commas, nothing but
// whitespace after the value, and no zero byte anywhere. std::nullopt for anything else, also
// when the library runs out of memory; never throws.
std::optional<nlohmann::json> ParseStrictJson(std::string_view body);

}  // namespace quillguard
