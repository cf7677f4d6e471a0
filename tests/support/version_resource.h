#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/pe_image_builder.h"

namespace quillguard::testing {

using VersionStringList = std::vector<std::pair<std::u16string, std::u16string>>;

// One node of a version resource: header, key, value and children, each on a 4-byte boundary,
// wLength covering all but the padding after the last child.
inline std::vector<std::uint8_t> VersionNode(
    const std::u16string& key, const std::vector<std::uint8_t>& value, std::uint16_t valueLength,
    std::uint16_t type, const std::vector<std::vector<std::uint8_t>>& children) {
    std::vector<std::uint8_t> node(6);
    const auto pad = [&node] { node.resize((node.size() + 3) & ~std::size_t{3}); };
    for (const char16_t unit : key + u'\0') {
        node.push_back(static_cast<std::uint8_t>(unit));
        node.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    pad();
    node.insert(node.end(), value.begin(), value.end());
    for (const auto& child : children) {
        pad();
        node.insert(node.end(), child.begin(), child.end());
    }
    PeImageBuilder::Put(node, 0, static_cast<std::uint16_t>(node.size()));
    PeImageBuilder::Put(node, 2, valueLength);
    PeImageBuilder::Put(node, 4, type);
    return node;
}

// A VS_VERSIONINFO block with these strings in one string table, and a translation, as resource
// compilers write it.
inline std::vector<std::uint8_t> VersionInfoBlock(const VersionStringList& strings) {
    std::vector<std::vector<std::uint8_t>> entries;
    for (const auto& [name, text] : strings) {
        std::vector<std::uint8_t> value;
        for (const char16_t unit : text + u'\0') {
            value.push_back(static_cast<std::uint8_t>(unit));
            value.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        entries.push_back(
            VersionNode(name, value, static_cast<std::uint16_t>(text.size() + 1), 1, {}));
    }
    std::vector<std::uint8_t> fixed(52);
    PeImageBuilder::Put<std::uint32_t>(fixed, 0, 0xFEEF04BD);
    return VersionNode(
        u"VS_VERSION_INFO", fixed, 52, 0,
        {VersionNode(u"StringFileInfo", {}, 0, 1, {VersionNode(u"040904b0", {}, 0, 1, entries)}),
         VersionNode(u"VarFileInfo", {}, 0, 1,
                     {VersionNode(u"Translation", {0x09, 0x04, 0xB0, 0x04}, 4, 0, {})})});
}

// An image whose first section, at RVA 0x10000, holds block as its one RT_VERSION resource:
// type, name and language directories, the data entry, then the block.
inline PeImageBuilder Versioned(const std::vector<std::uint8_t>& block) {
    constexpr std::uint32_t rva = 0x10000;
    std::vector<std::uint8_t> tree(88);
    const auto directory = [&tree](std::size_t at, std::uint32_t id, std::uint32_t data) {
        PeImageBuilder::Put<std::uint16_t>(tree, at + 14, 1);
        PeImageBuilder::Put(tree, at + 16, id);
        PeImageBuilder::Put(tree, at + 20, data);
    };
    directory(0, 16, 0x80000000 | 24);
    directory(24, 1, 0x80000000 | 48);
    directory(48, 0x409, 72);
    PeImageBuilder::Put(tree, 72, rva + 88);
    PeImageBuilder::Put(tree, 76, static_cast<std::uint32_t>(block.size()));
    tree.insert(tree.end(), block.begin(), block.end());
    const auto size = static_cast<std::uint32_t>(tree.size());
    return std::move(PeImageBuilder()
                         .addSection({".rsrc", PeImageBuilder::kInitializedData, std::move(tree)})
                         .directory(2, rva, size));
}

}  // namespace quillguard::testing
