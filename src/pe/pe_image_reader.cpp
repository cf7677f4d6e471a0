#include "pe/pe_image_reader.h"

#include <algorithm>

#include "base/little_endian.h"
#include "pe/pe_format.h"

namespace quillguard::pe {

std::string_view SectionHeader::Name() const {
    const auto end = std::find(name.begin(), name.end(), '\0');
    return {name.data(), static_cast<std::size_t>(end - name.begin())};
}

bool FileHeader::IsDll() const {
    return (characteristics & kFileIsDll) != 0;
}

bool SectionHeader::ContainsCode() const {
    return (characteristics & kSectionContainsCode) != 0;
}

std::optional<std::uint32_t> FileOffsetOfRva(std::span<const SectionHeader> sections,
                                             std::uint32_t rva) {
    for (const SectionHeader& section : sections) {
        if (section.virtualAddress <= rva && rva - section.virtualAddress < section.virtualSize) {
            const std::uint64_t offset =
                std::uint64_t{rva - section.virtualAddress} + section.pointerToRawData;
            if (offset == 0 || offset > UINT32_MAX) {
                return std::nullopt;
            }
            return static_cast<std::uint32_t>(offset);
        }
    }
    return std::nullopt;
}

Result<DosHeader> PeImageReader::ReadDosHeader() {
    std::array<std::uint8_t, kDosHeaderSize> bytes;
    const ReadStatus status = ReadExactly(bytes);
    if (status != ReadStatus::kOk) {
        return {status};
    }
    if (LoadLittleEndian16(bytes, 0) != kDosMagic) {
        return {ReadStatus::kMalformed};
    }
    return {ReadStatus::kOk,
            {static_cast<std::int32_t>(LoadLittleEndian32(bytes, kNtHeadersOffsetField))}};
}

Result<FileHeader> PeImageReader::ReadNtHeaders(const DosHeader& dos) {
    if (!file_.SeekFromStart(dos.ntHeadersOffset)) {
        return {ReadStatus::kSeekFailed};
    }
    std::array<std::uint8_t, kNtSignatureSize + kFileHeaderSize> bytes;
    const auto received = ReadBytes(bytes.data(), bytes.size());
    if (!received) {
        return {ReadStatus::kReadFailed};
    }
    if (*received < kNtSignatureSize || LoadLittleEndian32(bytes, 0) != kNtSignature) {
        return {ReadStatus::kMalformed};
    }
    if (*received != bytes.size()) {
        return {ReadStatus::kTruncated};
    }
    const auto header = std::span<const std::uint8_t>(bytes).subspan(kNtSignatureSize);
    return {
        ReadStatus::kOk,
        {LoadLittleEndian16(header, kMachineField), LoadLittleEndian16(header, kSectionCountField),
         LoadLittleEndian16(header, kOptionalHeaderSizeField),
         LoadLittleEndian16(header, kFileCharacteristicsField)}};
}

bool PeImageReader::SkipOptionalHeader(const FileHeader& header) {
    return file_.SeekForward(header.optionalHeaderSize);
}

Result<OptionalHeader> PeImageReader::ReadOptionalHeader(const FileHeader& header) {
    const OptionalHeaderLayout* layout = header.machine == kMachineX64   ? &kX64OptionalHeader
                                         : header.machine == kMachineX86 ? &kX86OptionalHeader
                                                                         : nullptr;
    if (layout == nullptr) {
        return {ReadStatus::kMalformed};
    }
    std::array<std::uint8_t, std::max(kX86OptionalHeader.size, kX64OptionalHeader.size)> buffer;
    const auto bytes = std::span(buffer).first(layout->size);
    const ReadStatus status = ReadExactly(bytes);
    if (status != ReadStatus::kOk) {
        return {status};
    }
    if (LoadLittleEndian16(bytes, 0) != layout->magic) {
        return {ReadStatus::kMalformed};
    }
    const std::uint32_t directories = LoadLittleEndian32(bytes, layout->rvaCountField);
    OptionalHeader optional;
    if (directories > kImportDirectoryIndex) {
        optional.importDirectoryRva = LoadLittleEndian32(bytes, layout->importRvaField);
    }
    if (directories > kResourceDirectoryIndex) {
        const std::size_t field = layout->importRvaField + kDataDirectorySize;
        optional.resources = {LoadLittleEndian32(bytes, field),
                              LoadLittleEndian32(bytes, field + 4)};
    }
    return {ReadStatus::kOk, optional};
}

Result<std::vector<SectionHeader>> PeImageReader::ReadSectionTable(const FileHeader& header) {
    std::vector<std::uint8_t> table(std::size_t{header.sectionCount} * kSectionHeaderSize);
    const ReadStatus status = ReadExactly(table);
    if (status != ReadStatus::kOk) {
        return {status};
    }
    std::vector<SectionHeader> sections(header.sectionCount);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const auto bytes = std::span<const std::uint8_t>(table).subspan(i * kSectionHeaderSize,
                                                                        kSectionHeaderSize);
        SectionHeader& section = sections[i];
        std::copy_n(bytes.begin(), kSectionNameSize, section.name.begin());
        section.virtualSize = LoadLittleEndian32(bytes, kVirtualSizeField);
        section.virtualAddress = LoadLittleEndian32(bytes, kVirtualAddressField);
        section.sizeOfRawData = LoadLittleEndian32(bytes, kSizeOfRawDataField);
        section.pointerToRawData = LoadLittleEndian32(bytes, kPointerToRawDataField);
        section.characteristics = LoadLittleEndian32(bytes, kCharacteristicsField);
    }
    return {ReadStatus::kOk, std::move(sections)};
}

Result<ImportDescriptor> PeImageReader::ReadImportDescriptor(std::uint32_t directoryOffset,
                                                             std::uint32_t index) {
    const std::uint64_t offset = directoryOffset + std::uint64_t{index} * kImportDescriptorSize;
    if (offset > UINT32_MAX || !SeekTo(static_cast<std::uint32_t>(offset))) {
        return {ReadStatus::kSeekFailed};
    }
    std::array<std::uint8_t, kImportDescriptorSize> bytes;
    const ReadStatus status = ReadExactly(bytes);
    if (status != ReadStatus::kOk) {
        return {status};
    }
    return {ReadStatus::kOk, {LoadLittleEndian32(bytes, kImportNameRvaField)}};
}

Result<std::string> PeImageReader::ReadName(std::uint32_t offset) {
    if (!SeekTo(offset)) {
        return {ReadStatus::kSeekFailed};
    }
    std::array<char, kNameLimit> bytes;
    const auto received = ReadBytes(bytes.data(), bytes.size());
    if (!received) {
        return {ReadStatus::kReadFailed};
    }
    if (*received == 0) {
        return {ReadStatus::kTruncated};
    }
    const auto end = std::find(bytes.begin(), bytes.begin() + *received, '\0');
    if (end == bytes.begin()) {
        return {ReadStatus::kMalformed};
    }
    return {ReadStatus::kOk, std::string(bytes.begin(), end)};
}

ReadStatus PeImageReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset > UINT32_MAX || !SeekTo(static_cast<std::uint32_t>(offset))) {
        return ReadStatus::kSeekFailed;
    }
    return ReadExactly(buffer);
}

std::optional<std::size_t> PeImageReader::ReadBytes(void* buffer, std::size_t size) {
    return calls_ == ReadCalls::kOne ? file_.Read(buffer, size) : file_.ReadFully(buffer, size);
}

ReadStatus PeImageReader::ReadExactly(std::span<std::uint8_t> buffer) {
    const auto received = ReadBytes(buffer.data(), buffer.size());
    if (!received) {
        return ReadStatus::kReadFailed;
    }
    return *received == buffer.size() ? ReadStatus::kOk : ReadStatus::kTruncated;
}

// Offsets in the headers are unsigned 32-bit but a seek takes a signed 32-bit distance, so
// offsets of 2 GiB and more become negative and the seek refuses them.
bool PeImageReader::SeekTo(std::uint32_t offset) {
    return file_.SeekFromStart(static_cast<std::int32_t>(offset));
}

}  // namespace quillguard::pe
