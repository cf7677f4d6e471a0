#include "game/client_target.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/little_endian.h"

namespace quillguard {
namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kMachineX64 = 0x8664;
constexpr std::uint16_t kMachineX86 = 0x014C;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kImportDescriptorSize = 20;
constexpr std::size_t kLibraryNameLimit = 255;

// Where the optional header of each machine keeps what the test needs; it is read at its
// standard size and the section table is taken to follow it directly.
struct OptionalHeaderLayout {
    std::size_t size;
    std::uint16_t magic;
    std::size_t rvaCountOffset;
    std::size_t importRvaOffset;
};

constexpr OptionalHeaderLayout kX64Layout{240, 0x20B, 108, 120};
constexpr OptionalHeaderLayout kX86Layout{224, 0x10B, 92, 104};

// Reads exactly size bytes; a short read is a failure.
bool ReadExactly(ReadableFile& file, void* buffer, std::size_t size) {
    const auto received = file.Read(buffer, size);
    return received && *received == size;
}

// Positions are 32-bit and unsigned in the headers but a seek takes a signed 32-bit distance, so
// offsets of 2 GiB and more fail; client targets are far smaller.
bool SeekTo(ReadableFile& file, std::uint32_t offset) {
    return file.SeekFromStart(static_cast<std::int32_t>(offset));
}

// The file offset of an RVA through the first section that contains it; nothing when no section
// does, or when the offset would be 0.
std::optional<std::uint32_t> RvaToOffset(std::span<const std::uint8_t> sections,
                                         std::uint32_t rva) {
    for (std::size_t at = 0; at + kSectionHeaderSize <= sections.size(); at += kSectionHeaderSize) {
        const std::uint32_t virtualSize = LoadLittleEndian32(sections, at + 8);
        const std::uint32_t virtualAddress = LoadLittleEndian32(sections, at + 12);
        const std::uint32_t pointerToRawData = LoadLittleEndian32(sections, at + 20);
        if (virtualAddress <= rva && rva - virtualAddress < virtualSize) {
            const std::uint32_t offset = rva - virtualAddress + pointerToRawData;
            return offset == 0 ? std::nullopt : std::optional<std::uint32_t>(offset);
        }
    }
    return std::nullopt;
}

// ASCII case-insensitive comparison of the whole name, as _stricmp does.
bool IsClientLibraryName(std::span<const std::uint8_t> name) {
    const std::string_view expected = kClientLibraryName;
    if (name.size() != expected.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(name[i]) != lower(static_cast<unsigned char>(expected[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsClientTargetFile(ReadableFile& file) {
    std::array<std::uint8_t, 64> dosHeader;
    if (!ReadExactly(file, dosHeader.data(), dosHeader.size()) ||
        LoadLittleEndian16(dosHeader, 0) != kDosMagic) {
        return false;
    }
    std::array<std::uint8_t, 4 + 20> ntHeaders;
    if (!SeekTo(file, LoadLittleEndian32(dosHeader, 60)) ||
        !ReadExactly(file, ntHeaders.data(), ntHeaders.size()) ||
        LoadLittleEndian32(ntHeaders, 0) != kNtSignature) {
        return false;
    }
    const std::uint16_t machine = LoadLittleEndian16(ntHeaders, 4);
    const std::uint16_t sectionCount = LoadLittleEndian16(ntHeaders, 6);
    const OptionalHeaderLayout* layout = machine == kMachineX64   ? &kX64Layout
                                         : machine == kMachineX86 ? &kX86Layout
                                                                  : nullptr;
    if (layout == nullptr) {
        return false;
    }

    std::array<std::uint8_t, kX64Layout.size> optionalHeader;
    if (!ReadExactly(file, optionalHeader.data(), layout->size) ||
        LoadLittleEndian16(optionalHeader, 0) != layout->magic ||
        LoadLittleEndian32(optionalHeader, layout->rvaCountOffset) < 2) {
        return false;
    }
    const std::uint32_t importRva = LoadLittleEndian32(optionalHeader, layout->importRvaOffset);
    if (importRva == 0) {
        return false;
    }

    std::vector<std::uint8_t> sections(sectionCount * kSectionHeaderSize);
    if (!ReadExactly(file, sections.data(), sections.size())) {
        return false;
    }
    const auto descriptorOffset = RvaToOffset(sections, importRva);
    std::array<std::uint8_t, kImportDescriptorSize> descriptor;
    if (!descriptorOffset || !SeekTo(file, *descriptorOffset) ||
        !ReadExactly(file, descriptor.data(), descriptor.size())) {
        return false;
    }
    const std::uint32_t nameRva = LoadLittleEndian32(descriptor, 12);
    if (nameRva == 0) {
        return false;
    }
    const std::uint32_t secondDescriptor = *descriptorOffset + kImportDescriptorSize;

    const auto nameOffset = RvaToOffset(sections, nameRva);
    std::array<std::uint8_t, kLibraryNameLimit> name;
    if (!nameOffset || !SeekTo(file, *nameOffset)) {
        return false;
    }
    const auto nameRead = file.Read(name.data(), name.size());
    if (!nameRead || *nameRead == 0) {
        return false;
    }
    // The name ends at its first NUL within the bytes read; 255 bytes without one are the name.
    std::span<const std::uint8_t> nameBytes(name.data(), *nameRead);
    for (std::size_t i = 0; i < nameBytes.size(); ++i) {
        if (nameBytes[i] == 0) {
            nameBytes = nameBytes.first(i);
            break;
        }
    }
    if (nameBytes.empty() || !IsClientLibraryName(nameBytes)) {
        return false;
    }

    // The client library must be the only import: the next descriptor ends the list.
    return SeekTo(file, secondDescriptor) &&
           ReadExactly(file, descriptor.data(), descriptor.size()) &&
           LoadLittleEndian32(descriptor, 12) == 0;
}

bool IsClientTarget(const std::filesystem::path& path) {
    ReadableFile file(path);
    return file.IsOpen() && IsClientTargetFile(file);
}

}  // namespace quillguard
