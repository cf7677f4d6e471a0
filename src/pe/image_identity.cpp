#include "pe/image_identity.h"

#include <array>
#include <optional>
#include <vector>

#include "base/little_endian.h"
#include "pe/pe_format.h"

namespace quillguard::pe {
namespace {

constexpr std::size_t kFileCharacteristicsField = 18;
constexpr std::uint16_t kFileIsDll = 0x2000;
constexpr std::size_t kOptionalHeaderOffset = kNtSignatureSize + kFileHeaderSize;
// Data directories follow one another, 8 bytes each: the import directory is number 1.
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kDataDirectorySize = 8;

// The resource tree: a directory header, then its entries; each entry's data is a subdirectory
// (high bit set) or a data entry, at an offset from the tree's start.
constexpr std::size_t kResourceDirectorySize = 16;
constexpr std::size_t kNamedEntryCountField = 12;
constexpr std::size_t kIdEntryCountField = 14;
constexpr std::size_t kResourceEntrySize = 8;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;
constexpr std::uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr std::size_t kDataEntrySize = 16;

ReadStatus ReadAt(ReadableFile& file, std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset > INT32_MAX || !file.SeekFromStart(static_cast<std::int64_t>(offset))) {
        return ReadStatus::kSeekFailed;
    }
    const auto received = file.ReadFully(buffer.data(), buffer.size());
    if (!received) {
        return ReadStatus::kReadFailed;
    }
    return *received == buffer.size() ? ReadStatus::kOk : ReadStatus::kTruncated;
}

// Where the NT headers start, once ReadNtHeaders found them there: never a negative offset.
std::uint64_t NtHeadersAt(const DosHeader& dos) {
    return static_cast<std::uint64_t>(dos.ntHeadersOffset);
}

// Where the resource tree lies in the file and how long its directory says it is.
struct ResourceTree {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

class ResourceWalker {
  public:
    ResourceWalker(ReadableFile& file, ResourceTree tree) : file_(file), tree_(tree) {}

    // The data of the directory's entry with this id, or of its first entry without one;
    // kOk with nothing when there is no such entry.
    Result<std::optional<std::uint32_t>> Entry(std::uint32_t directory,
                                               std::optional<std::uint32_t> id) {
        std::array<std::uint8_t, kResourceDirectorySize> header;
        if (const ReadStatus status = ReadInTree(directory, header); status != ReadStatus::kOk) {
            return {status};
        }
        const std::size_t named = LoadLittleEndian16(header, kNamedEntryCountField);
        const std::size_t count = named + LoadLittleEndian16(header, kIdEntryCountField);
        std::vector<std::uint8_t> entries(count * kResourceEntrySize);
        if (const ReadStatus status = ReadInTree(directory + kResourceDirectorySize, entries);
            status != ReadStatus::kOk) {
            return {status};
        }
        // Named entries come first; ids follow them.
        for (std::size_t i = id ? named : 0; i < count; ++i) {
            const std::span<const std::uint8_t> entry(entries.data() + i * kResourceEntrySize,
                                                      kResourceEntrySize);
            if (!id || LoadLittleEndian32(entry, 0) == *id) {
                return {ReadStatus::kOk, LoadLittleEndian32(entry, 4)};
            }
        }
        return {ReadStatus::kOk, std::nullopt};
    }

    // The RVA and size of the data entry at this offset in the tree.
    Result<std::array<std::uint32_t, 2>> DataEntry(std::uint32_t offset) {
        std::array<std::uint8_t, kDataEntrySize> entry;
        const ReadStatus status = ReadInTree(offset, entry);
        if (status != ReadStatus::kOk) {
            return {status};
        }
        return {status, {LoadLittleEndian32(entry, 0), LoadLittleEndian32(entry, 4)}};
    }

  private:
    // Reads within the tree's declared size only, so that no offset leads elsewhere in the file.
    ReadStatus ReadInTree(std::uint64_t offset, std::span<std::uint8_t> buffer) {
        if (offset + buffer.size() > tree_.size) {
            return ReadStatus::kMalformed;
        }
        return ReadAt(file_, tree_.offset + offset, buffer);
    }

    ReadableFile& file_;
    ResourceTree tree_;
};

// The headers every reading starts with: the DOS header and the file header it leads to.
struct Headers {
    DosHeader dos;
    FileHeader file;
};

Result<Headers> ReadHeaders(PeImageReader& reader) {
    const auto dos = reader.ReadDosHeader();
    if (!dos.ok()) {
        return {dos.status};
    }
    const auto header = reader.ReadNtHeaders(dos.value);
    if (!header.ok()) {
        return {header.status};
    }
    return {ReadStatus::kOk, {dos.value, header.value}};
}

// The resource tree's place, and the section table to map RVAs with; kOk with a size of 0 when
// the image has no resources.
Result<ResourceTree> FindResourceTree(ReadableFile& file, std::vector<SectionHeader>& sections) {
    PeImageReader reader(file, ReadCalls::kUntilEnd);
    const auto headers = ReadHeaders(reader);
    if (!headers.ok()) {
        return {headers.status};
    }
    const DosHeader& dos = headers.value.dos;
    const FileHeader& fileHeader = headers.value.file;
    const OptionalHeaderLayout* layout = fileHeader.machine == kMachineX64   ? &kX64OptionalHeader
                                         : fileHeader.machine == kMachineX86 ? &kX86OptionalHeader
                                                                             : nullptr;
    if (layout == nullptr) {
        return {ReadStatus::kMalformed};
    }
    const std::uint64_t optional = NtHeadersAt(dos) + kOptionalHeaderOffset;
    std::array<std::uint8_t, std::max(kX86OptionalHeader.size, kX64OptionalHeader.size)> buffer;
    const auto bytes = std::span(buffer).first(layout->size);
    if (const ReadStatus status = ReadAt(file, optional, bytes); status != ReadStatus::kOk) {
        return {status};
    }
    if (LoadLittleEndian16(bytes, 0) != layout->magic) {
        return {ReadStatus::kMalformed};
    }
    const std::size_t field =
        layout->importRvaField +
        (kResourceDirectoryIndex - kImportDirectoryIndex) * kDataDirectorySize;
    const std::uint32_t rva = LoadLittleEndian32(bytes, field);
    const std::uint32_t size = LoadLittleEndian32(bytes, field + 4);
    if (LoadLittleEndian32(bytes, layout->rvaCountField) <= kResourceDirectoryIndex || rva == 0) {
        return {ReadStatus::kOk, {}};
    }
    if (!file.SeekFromStart(static_cast<std::int64_t>(optional)) ||
        !reader.SkipOptionalHeader(fileHeader)) {
        return {ReadStatus::kSeekFailed};
    }
    auto table = reader.ReadSectionTable(fileHeader);
    if (!table.ok()) {
        return {table.status};
    }
    sections = std::move(table.value);
    const auto offset = FileOffsetOfRva(sections, rva);
    if (!offset) {
        return {ReadStatus::kMalformed};
    }
    return {ReadStatus::kOk, {*offset, size}};
}

}  // namespace

Result<ImageKind> ReadImageKind(ReadableFile& file) {
    PeImageReader reader(file, ReadCalls::kUntilEnd);
    const auto headers = ReadHeaders(reader);
    if (!headers.ok()) {
        return {headers.status};
    }
    const DosHeader& dos = headers.value.dos;
    std::array<std::uint8_t, 2> characteristics;
    const ReadStatus status = ReadAt(
        file, NtHeadersAt(dos) + kNtSignatureSize + kFileCharacteristicsField, characteristics);
    if (status != ReadStatus::kOk) {
        return {status};
    }
    return {
        ReadStatus::kOk,
        {headers.value.file.machine, (LoadLittleEndian16(characteristics, 0) & kFileIsDll) != 0}};
}

Result<VersionStrings> ReadVersionStrings(ReadableFile& file) {
    std::vector<SectionHeader> sections;
    const auto tree = FindResourceTree(file, sections);
    if (!tree.ok() || tree.value.size == 0) {
        return {tree.status};
    }
    ResourceWalker walker(file, tree.value);
    const auto type = walker.Entry(0, kVersionResourceType);
    if (!type.ok() || !type.value) {
        return {type.status};
    }
    // Under the type, the first name, and under it the first language.
    std::uint32_t data = *type.value;
    for (int level = 0; level < 2; ++level) {
        if ((data & kSubdirectoryFlag) == 0) {
            return {ReadStatus::kMalformed};
        }
        const auto entry = walker.Entry(data & ~kSubdirectoryFlag, std::nullopt);
        if (!entry.ok() || !entry.value) {
            return {entry.ok() ? ReadStatus::kMalformed : entry.status};
        }
        data = *entry.value;
    }
    if ((data & kSubdirectoryFlag) != 0) {
        return {ReadStatus::kMalformed};
    }
    const auto entry = walker.DataEntry(data);
    if (!entry.ok()) {
        return {entry.status};
    }
    const auto [rva, size] = entry.value;
    const auto offset = FileOffsetOfRva(sections, rva);
    if (!offset || size > kVersionResourceLimit) {
        return {ReadStatus::kMalformed};
    }
    std::vector<std::uint8_t> block(size);
    if (const ReadStatus status = ReadAt(file, *offset, block); status != ReadStatus::kOk) {
        return {status};
    }
    auto strings = ParseVersionInfo(block);
    if (!strings) {
        return {ReadStatus::kMalformed};
    }
    return {ReadStatus::kOk, std::move(*strings)};
}

}  // namespace quillguard::pe
