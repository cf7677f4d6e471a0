#include "net/manifest.h"

#include <stdexcept>

#include "net/strict_json.h"

namespace quillguard {
namespace {

// One byte to one 16-bit unit, each byte taken as a signed char as the launcher has always done;
// only an ASCII URL is meaningful, and nothing else is decoded.
std::wstring WidenBytes(std::string_view bytes) {
    std::wstring wide;
    wide.reserve(bytes.size());
    for (const char byte : bytes) {
        wide.push_back(static_cast<wchar_t>(static_cast<char16_t>(static_cast<signed char>(byte))));
    }
    return wide;
}

}  // namespace

ManifestReading ReadManifest(std::string_view body) {
    ManifestReading reading;

    // Whatever stops the library from reading the body (a syntax error, invalid UTF-8, no memory
    // for an absurd document) leaves the flow without a manifest, as a failed fetch does.
    const std::optional<nlohmann::json> parsed = ParseStrictJson(body);
    if (!parsed) {
        reading.finding = ManifestFinding::NotOneJsonValue;
        return reading;
    }
    const nlohmann::json& document = *parsed;

    if (!document.is_object()) {
        reading.finding = ManifestFinding::NotAnObject;
        return reading;
    }
    const auto sha1 = document.find("sha1");
    if (sha1 == document.end() || !sha1->is_string()) {
        reading.finding = ManifestFinding::NoUsableSha1;
        return reading;
    }
    try {
        reading.manifest.sha1 = Sha1FromHex(sha1->get<std::string>());
    } catch (const std::invalid_argument&) {
        // A digest that cannot be compared is as good as none.
        reading.finding = ManifestFinding::NoUsableSha1;
        return reading;
    }

    const auto url = document.find("url");
    if (url != document.end() && url->is_string()) {
        reading.manifest.url = WidenBytes(url->get<std::string>());
    }
    return reading;
}

}  // namespace quillguard
