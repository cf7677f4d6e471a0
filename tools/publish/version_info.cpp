#include "publish/version_info.h"

#include <string_view>

#include "base/little_endian.h"

namespace quillguard::publish {
namespace {

// Every node starts with wLength, wValueLength and wType, then its key as NUL-terminated UTF-16;
// its value and then its children each start on a 4-byte boundary.
constexpr std::size_t kNodeHeaderSize = 6;

struct Node {
    std::u16string key;
    std::size_t valueStart = 0;  // may equal end: no value
    std::size_t end = 0;         // one past the node's last byte
    std::uint16_t valueLength = 0;
};

std::size_t Align4(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

std::optional<Node> NodeAt(std::span<const std::uint8_t> block, std::size_t offset,
                           std::size_t limit) {
    if (limit - offset < kNodeHeaderSize) {
        return std::nullopt;
    }
    const std::uint16_t length = LoadLittleEndian16(block, offset);
    if (length < kNodeHeaderSize || length > limit - offset) {
        return std::nullopt;
    }
    Node node;
    node.end = offset + length;
    node.valueLength = LoadLittleEndian16(block, offset + 2);
    std::size_t at = offset + kNodeHeaderSize;
    for (;; at += 2) {
        if (node.end - at < 2) {
            return std::nullopt;  // the key has no NUL within the node
        }
        const char16_t unit = LoadLittleEndian16(block, at);
        if (unit == 0) {
            break;
        }
        node.key.push_back(unit);
    }
    node.valueStart = std::min(Align4(at + 2), node.end);
    return node;
}

// Calls visit on each child of the nodes between start and end; false when one is malformed.
template <typename Visit>
bool ForEachChild(std::span<const std::uint8_t> block, std::size_t start, std::size_t end,
                  Visit visit) {
    for (std::size_t offset = Align4(start); offset < end;) {
        const auto child = NodeAt(block, offset, end);
        if (!child || !visit(*child)) {
            return false;
        }
        offset = Align4(child->end);
    }
    return true;
}

void AppendUtf8(std::string& text, char32_t code) {
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (code >> 6)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (code >> 12)));
        text.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (code >> 18)));
        text.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// UTF-16 as UTF-8; a lone surrogate becomes U+FFFD, so no text compares equal to it by accident.
std::string Utf8Of(std::u16string_view units) {
    std::string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(text, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (units[++i] - 0xDC00));
        } else {
            AppendUtf8(text, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
    return text;
}

// A string's value is the text after its key up to a NUL or the node's end: writers disagree on
// whether wValueLength counts characters or bytes, so it is not trusted.
std::u16string TextValue(std::span<const std::uint8_t> block, const Node& node) {
    std::u16string value;
    for (std::size_t at = node.valueStart; node.end - at >= 2; at += 2) {
        const char16_t unit = LoadLittleEndian16(block, at);
        if (unit == 0) {
            break;
        }
        value.push_back(unit);
    }
    return value;
}

}  // namespace

std::optional<VersionStrings> ParseVersionInfo(std::span<const std::uint8_t> block) {
    const auto root = NodeAt(block, 0, block.size());
    if (!root || root->key != u"VS_VERSION_INFO" ||
        root->valueLength > root->end - root->valueStart) {
        return std::nullopt;
    }
    VersionStrings strings;
    const auto readString = [&](const Node& string) {
        strings.emplace(Utf8Of(string.key), Utf8Of(TextValue(block, string)));
        return true;
    };
    const auto readTable = [&](const Node& table) {
        return ForEachChild(block, table.valueStart, table.end, readString);
    };
    const bool wellFormed = ForEachChild(
        block, root->valueStart + root->valueLength, root->end, [&](const Node& child) {
            return child.key != u"StringFileInfo" ||
                   ForEachChild(block, child.valueStart, child.end, readTable);
        });
    if (!wellFormed) {
        return std::nullopt;
    }
    return strings;
}

}  // namespace quillguard::publish
