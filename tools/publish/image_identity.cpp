#include "publish/image_identity.h"

#include <array>
#include <optional>
#include <vector>

#include "base/little_endian.h"
#include "pe/pe_format.h"

namespace quillguard::publish {
namespace {

using pe::ReadStatus;
using pe::Result;

// The resource tree: a directory header, then its entries; each entry's data is a subdirectory
// (high bit set) or a data entry, at an offset from the tree's start.
constexpr std::size_t kResourceDirectorySize = 16;
constexpr std::size_t kNamedEntryCountField = 12;
constexpr std::size_t kIdEntryCountField = 14;
constexpr std::size_t kResourceEntrySize = 8;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;
constexpr std::uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr std::size_t kDataEntrySize = 16;

// Where the resource tree lies in the file and how long its directory says it is.
struct ResourceTree {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

class ResourceWalker {
  public:
    ResourceWalker(pe::PeImageReader& reader, ResourceTree tree) : reader_(reader), tree_(tree) {}

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
    Result<pe::DataDirectory> DataEntry(std::uint32_t offset) {
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
        return reader_.ReadAt(tree_.offset + offset, buffer);
    }

    pe::PeImageReader& reader_;
    ResourceTree tree_;
};

// The resource tree's place, and the section table to map RVAs with; kOk with a size of 0 when
// the image has no resources.
Result<ResourceTree> FindResourceTree(ReadableFile& file, pe::PeImageReader& reader,
                                      std::vector<pe::SectionHeader>& sections) {
    const auto dos = reader.ReadDosHeader();
    if (!dos.ok()) {
        return {dos.status};
    }
    const auto header = reader.ReadNtHeaders(dos.value);
    if (!header.ok()) {
        return {header.status};
    }
    const auto optional = reader.ReadOptionalHeader(header.value);
    if (!optional.ok() || optional.value.resources.rva == 0) {
        return {optional.status};
    }
    // The section table follows the optional header at the size the file header declares.
    const auto optionalStart = static_cast<std::int64_t>(
        std::uint64_t{static_cast<std::uint32_t>(dos.value.ntHeadersOffset)} +
        pe::kNtSignatureSize + pe::kFileHeaderSize);
    if (!file.SeekFromStart(optionalStart) || !reader.SkipOptionalHeader(header.value)) {
        return {ReadStatus::kSeekFailed};
    }
    auto table = reader.ReadSectionTable(header.value);
    if (!table.ok()) {
        return {table.status};
    }
    sections = std::move(table.value);
    const auto offset = pe::FileOffsetOfRva(sections, optional.value.resources.rva);
    if (!offset) {
        return {ReadStatus::kMalformed};
    }
    return {ReadStatus::kOk, {*offset, optional.value.resources.size}};
}

}  // namespace

Result<ImageKind> ReadImageKind(ReadableFile& file) {
    pe::PeImageReader reader(file, pe::ReadCalls::kUntilEnd);
    const auto dos = reader.ReadDosHeader();
    if (!dos.ok()) {
        return {dos.status};
    }
    const auto header = reader.ReadNtHeaders(dos.value);
    if (!header.ok()) {
        return {header.status};
    }
    return {ReadStatus::kOk, {header.value.machine, header.value.IsDll()}};
}

Result<VersionStrings> ReadVersionStrings(ReadableFile& file) {
    pe::PeImageReader reader(file, pe::ReadCalls::kUntilEnd);
    std::vector<pe::SectionHeader> sections;
    const auto tree = FindResourceTree(file, reader, sections);
    if (!tree.ok() || tree.value.size == 0) {
        return {tree.status};
    }
    ResourceWalker walker(reader, tree.value);
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
    const auto offset = pe::FileOffsetOfRva(sections, entry.value.rva);
    if (!offset || entry.value.size > kVersionResourceLimit) {
        return {ReadStatus::kMalformed};
    }
    std::vector<std::uint8_t> block(entry.value.size);
    if (const ReadStatus status = reader.ReadAt(*offset, block); status != ReadStatus::kOk) {
        return {status};
    }
    auto strings = ParseVersionInfo(block);
    if (!strings) {
        return {ReadStatus::kMalformed};
    }
    return {ReadStatus::kOk, std::move(*strings)};
}

}  // namespace quillguard::publish
