#pragma once

#include <filesystem>
#include <optional>

#include "base/readable_file.h"
#include "integrity/code_section.h"
#include "integrity/sha1_digest.h"

namespace quillguard {

// Bytes read at a time, through one buffer per call.
inline constexpr std::size_t kHashChunkSize = 65536;

// The SHA-1 of a whole file; the all-zero digest when it cannot be opened or read.
Sha1Digest HashFile(const std::filesystem::path& path);

// The SHA-1 of the raw bytes of a PE image's code section, as stored in the file; the all-zero
// digest when the file cannot be read or has no such section.
Sha1Digest HashCodeSection(const std::filesystem::path& path);

// HashFile of a file already open, at its current position; nothing when a read fails.
std::optional<Sha1Digest> HashOpenFile(ReadableFile& file);

// HashCodeSection of a file already open, with the reason when there is no digest.
struct CodeSectionHash {
    std::optional<Sha1Digest> digest;
    CodeSectionProblem problem;
};
CodeSectionHash HashCodeSectionOf(ReadableFile& file);

}  // namespace quillguard
