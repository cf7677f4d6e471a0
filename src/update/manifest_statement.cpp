#include "update/manifest_statement.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "base/hex.h"

namespace quillguard {
namespace {

// One line per value is unambiguous only when no value can hold a line break or a byte that
// another reader might decode differently.
bool IsPrintableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// Digests are signed in lower case so that a publisher's choice of case cannot change the bytes.
std::optional<std::string> LowerHex(std::string_view digits, std::size_t length) {
    std::vector<std::uint8_t> bytes(length / 2);
    if (!ReadHex(digits, bytes)) {
        return std::nullopt;
    }
    return HexOf(bytes);
}

}  // namespace

std::optional<std::string> ManifestStatement(const SignedMembers& members) {
    const auto sha1 = LowerHex(members.sha1, 40);
    const auto sha256 = LowerHex(members.sha256, 64);
    if (!sha1 || !sha256 || !IsPrintableAscii(members.server) || !IsPrintableAscii(members.path) ||
        !IsPrintableAscii(members.url) ||
        (members.expires && !IsPrintableAscii(*members.expires))) {
        return std::nullopt;
    }
    // The form's number changes whenever a line does, so that no statement of one form reads as
    // another's.
    std::string statement = "QuillGuard signed manifest 2\n";
    statement.append("server: ").append(members.server).append("\n");
    statement.append("path: ").append(members.path).append("\n");
    statement.append("sha1: ").append(*sha1).append("\n");
    statement.append("sha256: ").append(*sha256).append("\n");
    statement.append("size: ").append(std::to_string(members.size)).append("\n");
    statement.append("url: ").append(members.url).append("\n");
    statement.append("version: ").append(std::to_string(members.version)).append("\n");
    if (members.expires) {
        statement.append("expires: ").append(*members.expires).append("\n");
    }
    return statement;
}

}  // namespace quillguard
