#pragma once

#include <cstddef>
#include <cstdint>

// Sizes, offsets and values of the PE format fields the launcher reads.
namespace quillguard::pe {

inline constexpr std::size_t kDosHeaderSize = 64;
inline constexpr std::uint16_t kDosMagic = 0x5A4D;        // "MZ"
inline constexpr std::size_t kNtHeadersOffsetField = 60;  // e_lfanew

inline constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
inline constexpr std::size_t kNtSignatureSize = 4;
inline constexpr std::size_t kFileHeaderSize = 20;
inline constexpr std::size_t kMachineField = 0;
inline constexpr std::size_t kSectionCountField = 2;
inline constexpr std::size_t kOptionalHeaderSizeField = 16;
inline constexpr std::size_t kFileCharacteristicsField = 18;
inline constexpr std::uint16_t kFileIsDll = 0x2000;
inline constexpr std::uint16_t kMachineX86 = 0x014C;
inline constexpr std::uint16_t kMachineX64 = 0x8664;

// Where each machine's optional header, at its standard size, keeps what the launcher needs.
struct OptionalHeaderLayout {
    std::size_t size;
    std::uint16_t magic;
    std::size_t rvaCountField;
    std::size_t importRvaField;  // the import directory, data directory 1
};
inline constexpr OptionalHeaderLayout kX86OptionalHeader{224, 0x10B, 92, 104};
inline constexpr OptionalHeaderLayout kX64OptionalHeader{240, 0x20B, 108, 120};
inline constexpr std::uint32_t kImportDirectoryIndex = 1;
// Data directories follow one another, 8 bytes each.
inline constexpr std::uint32_t kResourceDirectoryIndex = 2;
inline constexpr std::size_t kDataDirectorySize = 8;

inline constexpr std::size_t kSectionHeaderSize = 40;
inline constexpr std::size_t kSectionNameSize = 8;
inline constexpr std::size_t kVirtualSizeField = 8;
inline constexpr std::size_t kVirtualAddressField = 12;
inline constexpr std::size_t kSizeOfRawDataField = 16;
inline constexpr std::size_t kPointerToRawDataField = 20;
inline constexpr std::size_t kCharacteristicsField = 36;
inline constexpr std::uint32_t kSectionContainsCode = 0x00000020;

inline constexpr std::size_t kImportDescriptorSize = 20;
inline constexpr std::size_t kImportNameRvaField = 12;

// Longest imported library name read; 255 bytes without a NUL are taken as the name.
inline constexpr std::size_t kNameLimit = 255;

}  // namespace quillguard::pe
