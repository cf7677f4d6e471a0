#include "integrity/code_section.h"

#include <array>
#include <cstring>
#include <vector>

#include "base/little_endian.h"

namespace quillguard {
namespace {

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kLfanewOffset = 60;
constexpr std::uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kContainsCode = 0x00000020;

CodeSection SectionAt(std::span<const std::uint8_t> header) {
    return {LoadLittleEndian32(header, 20), LoadLittleEndian32(header, 16)};
}

CodeSectionLookup Problem(std::string_view text) {
    return {std::nullopt, {false, text}};
}
CodeSectionLookup ReadFailed() {
    return {std::nullopt, kCodeSectionReadFailed};
}

}  // namespace

std::optional<CodeSection> ChooseCodeSection(std::span<const std::uint8_t> sectionTable) {
    const std::size_t count = sectionTable.size() / kSectionHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
        const auto header = sectionTable.subspan(i * kSectionHeaderSize, kSectionHeaderSize);
        // ".text" and its terminating zero: ".textbss" and the like do not match.
        if (std::memcmp(header.data(), ".text", 6) == 0) {
            return SectionAt(header);
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto header = sectionTable.subspan(i * kSectionHeaderSize, kSectionHeaderSize);
        if ((LoadLittleEndian32(header, 36) & kContainsCode) != 0) {
            return SectionAt(header);
        }
    }
    return std::nullopt;
}

CodeSectionLookup FindCodeSection(ReadableFile& file) {
    std::array<std::uint8_t, kDosHeaderSize> dosHeader;
    const auto dosRead = file.ReadFully(dosHeader.data(), dosHeader.size());
    if (!dosRead) {
        return ReadFailed();
    }
    if (*dosRead != dosHeader.size() || LoadLittleEndian16(dosHeader, 0) != kDosMagic) {
        return Problem("not a PE image: no MZ header");
    }
    const auto peOffset = static_cast<std::int32_t>(LoadLittleEndian32(dosHeader, kLfanewOffset));
    if (!file.SeekFromStart(peOffset)) {
        return Problem("not a PE image: the PE header offset is negative");
    }

    std::array<std::uint8_t, 4 + kFileHeaderSize> peHeaders;
    const auto peRead = file.ReadFully(peHeaders.data(), peHeaders.size());
    if (!peRead) {
        return ReadFailed();
    }
    if (*peRead < 4 || LoadLittleEndian32(peHeaders, 0) != kPeSignature) {
        return Problem("not a PE image: no PE signature");
    }
    if (*peRead != peHeaders.size()) {
        return Problem("not a PE image: the file header is cut short");
    }
    const auto fileHeader = std::span<const std::uint8_t>(peHeaders).subspan(4);
    const std::uint16_t sectionCount = LoadLittleEndian16(fileHeader, 2);
    const std::uint16_t optionalHeaderSize = LoadLittleEndian16(fileHeader, 16);
    if (!file.SeekForward(optionalHeaderSize)) {
        return ReadFailed();
    }

    if (sectionCount == 0) {
        return Problem("no code section: the image has no sections");
    }
    std::vector<std::uint8_t> sectionTable(sectionCount * kSectionHeaderSize);
    const auto tableRead = file.ReadFully(sectionTable.data(), sectionTable.size());
    if (!tableRead) {
        return ReadFailed();
    }
    if (*tableRead != sectionTable.size()) {
        return Problem("not a PE image: the section table is cut short");
    }
    const auto section = ChooseCodeSection(sectionTable);
    if (!section) {
        return Problem("no code section: no \".text\" section and none marked as code");
    }
    return {section, {}};
}

}  // namespace quillguard
