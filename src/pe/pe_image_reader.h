#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/readable_file.h"

namespace quillguard::pe {

// How the reader asks the file for a structure's bytes.
enum class ReadCalls {
    kOne,       // one call: a short answer means the file ended; keeps a folder search cheap
    kUntilEnd,  // again and again until the structure is complete or the file ends
};

enum class ReadStatus {
    kOk,
    kSeekFailed,  // the position was refused, e.g. a negative one
    kReadFailed,  // the system failed the read
    kTruncated,   // the file ended inside the structure
    kMalformed,   // the bytes are not what the structure holds
};

template <typename T>
struct Result {
    ReadStatus status = ReadStatus::kMalformed;
    T value{};
    bool ok() const { return status == ReadStatus::kOk; }
};

struct DosHeader {
    std::int32_t ntHeadersOffset = 0;  // e_lfanew, signed as the format declares it
};

struct FileHeader {
    std::uint16_t machine = 0;
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalHeaderSize = 0;
    std::uint16_t characteristics = 0;

    bool IsDll() const;
};

// Where a data directory's table lies in the image: 0 when there is none.
struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

struct OptionalHeader {
    std::uint32_t importDirectoryRva = 0;  // 0 when there is none
    DataDirectory resources;
};

struct SectionHeader {
    std::array<char, 8> name{};  // NUL-padded, not NUL-terminated when 8 bytes long
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;

    // The name up to its first NUL.
    std::string_view Name() const;
    bool ContainsCode() const;
};

struct ImportDescriptor {
    std::uint32_t nameRva = 0;  // 0 in the descriptor that ends the list
};

// The file offset of an RVA through the first section that contains it; nothing when no section
// does or the offset would not fit in 32 bits, and nothing for offset 0, the DOS header, where no
// structure looked up by RVA can be.
std::optional<std::uint32_t> FileOffsetOfRva(std::span<const SectionHeader> sections,
                                             std::uint32_t rva);

// Reads a PE image's headers from a file whose bytes are not trusted: each structure with one
// bounded read into a buffer of its own size, every field checked before it places another read.
// Reads only what it is asked for, seeking only where a method says so.
class PeImageReader {
  public:
    PeImageReader(ReadableFile& file, ReadCalls calls) : file_(file), calls_(calls) {}

    // The DOS header, at the current position (the start of a file just opened).
    Result<DosHeader> ReadDosHeader();
    // Seeks to the PE signature and reads it with the file header behind it. A file that ends
    // inside the signature has none: kMalformed; kTruncated means it ends in the file header.
    Result<FileHeader> ReadNtHeaders(const DosHeader& dos);
    // Moves past the optional header by the size the file header declares.
    bool SkipOptionalHeader(const FileHeader& header);
    // The optional header at the current position, at the standard size of the x86 or x64
    // layout whatever the file header declares; kMalformed for other machines, without a read.
    Result<OptionalHeader> ReadOptionalHeader(const FileHeader& header);
    // The section table at the current position, as many headers as the file header counts.
    Result<std::vector<SectionHeader>> ReadSectionTable(const FileHeader& header);
    // Descriptor index of the import directory at a file offset.
    Result<ImportDescriptor> ReadImportDescriptor(std::uint32_t directoryOffset,
                                                  std::uint32_t index);
    // The NUL-terminated name at a file offset, up to kNameLimit bytes; an empty name is
    // kMalformed.
    Result<std::string> ReadName(std::uint32_t offset);
    // Exactly buffer.size() bytes at a file offset: kOk, kSeekFailed, kReadFailed or kTruncated.
    ReadStatus ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer);

  private:
    std::optional<std::size_t> ReadBytes(void* buffer, std::size_t size);
    // Reads exactly buffer.size() bytes: kOk, kReadFailed or kTruncated.
    ReadStatus ReadExactly(std::span<std::uint8_t> buffer);
    bool SeekTo(std::uint32_t offset);

    ReadableFile& file_;
    ReadCalls calls_;
};

}  // namespace quillguard::pe
