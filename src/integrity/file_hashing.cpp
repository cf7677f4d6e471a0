#include "integrity/file_hashing.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "integrity/sha1.h"

namespace quillguard {
namespace {

// Feeds at most limit bytes from the current position to sha1, stopping early at the end of
// the file; false when a read fails.
bool HashFromFile(ReadableFile& file, std::uint64_t limit, Sha1& sha1) {
    std::vector<std::uint8_t> buffer(kHashChunkSize);
    while (limit > 0) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(limit, buffer.size()));
        const auto received = file.Read(buffer.data(), wanted);
        if (!received) {
            return false;
        }
        if (*received == 0) {
            break;
        }
        sha1.Update(buffer.data(), *received);
        limit -= *received;
    }
    return true;
}

}  // namespace

std::optional<Sha1Digest> HashOpenFile(ReadableFile& file) {
    Sha1 sha1;
    if (!HashFromFile(file, UINT64_MAX, sha1)) {
        return std::nullopt;
    }
    return sha1.Final();
}

CodeSectionHash HashCodeSectionOf(ReadableFile& file) {
    const CodeSectionLookup lookup = FindCodeSection(file);
    if (!lookup.section) {
        return {std::nullopt, lookup.problem};
    }
    if (!file.SeekFromStart(lookup.section->pointerToRawData)) {
        return {std::nullopt, kCodeSectionReadFailed};
    }
    // Raw data that runs past the end of the file is hashed up to the end.
    Sha1 sha1;
    if (!HashFromFile(file, lookup.section->sizeOfRawData, sha1)) {
        return {std::nullopt, kCodeSectionReadFailed};
    }
    return {sha1.Final(), {}};
}

Sha1Digest HashFile(const std::filesystem::path& path) {
    ReadableFile file(path);
    if (!file.IsOpen()) {
        return {};
    }
    return HashOpenFile(file).value_or(Sha1Digest{});
}

Sha1Digest HashCodeSection(const std::filesystem::path& path) {
    ReadableFile file(path);
    if (!file.IsOpen()) {
        return {};
    }
    return HashCodeSectionOf(file).digest.value_or(Sha1Digest{});
}

}  // namespace quillguard
