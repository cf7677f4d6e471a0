#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/readable_file.h"
#include "pe/pe_image_reader.h"

namespace quillguard {

// Where a PE image stores the raw bytes of its code section.
struct CodeSection {
    std::uint32_t pointerToRawData = 0;
    std::uint32_t sizeOfRawData = 0;
};

// The section a stub id is taken from: the first named ".text" exactly, else the first marked as
// holding code.
std::optional<CodeSection> ChooseCodeSection(std::span<const pe::SectionHeader> sections);

// Why a file yields no code section: a failed read (the file tells the system's reason), or
// what is wrong with the image.
struct CodeSectionProblem {
    bool readFailed = false;
    std::string_view text;
};

inline constexpr CodeSectionProblem kCodeSectionReadFailed{true, "cannot read the file"};

// The outcome of reading a PE image's headers: the code section, or why there is none.
struct CodeSectionLookup {
    std::optional<CodeSection> section;
    CodeSectionProblem problem;
};

// Reads the DOS header, the PE signature, the file header and the section table from an open
// file and chooses the code section. Reads nothing else and never trusts an offset unchecked.
CodeSectionLookup FindCodeSection(ReadableFile& file);

}  // namespace quillguard
