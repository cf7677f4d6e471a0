#include "net/strict_json.h"

#include <exception>

namespace quillguard {

std::optional<nlohmann::json> ParseStrictJson(std::string_view body) {
    // The library takes a zero byte for the end of its input and would ignore whatever follows
    // it; JSON text never holds one.
    if (body.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    try {
        // No callback, exceptions on, comments rejected; trailing commas are rejected by default.
        return nlohmann::json::parse(body.begin(), body.end(), nullptr, true, false);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace quillguard
