#include "integrity/code_section.h"

namespace quillguard {
namespace {

CodeSection SectionOf(const pe::SectionHeader& section) {
    return {section.pointerToRawData, section.sizeOfRawData};
}

CodeSectionLookup Problem(std::string_view text) {
    return {std::nullopt, {false, text}};
}
CodeSectionLookup ReadFailed() {
    return {std::nullopt, kCodeSectionReadFailed};
}

}  // namespace

std::optional<CodeSection> ChooseCodeSection(std::span<const pe::SectionHeader> sections) {
    for (const pe::SectionHeader& section : sections) {
        if (section.Name() == ".text") {
            return SectionOf(section);
        }
    }
    for (const pe::SectionHeader& section : sections) {
        if (section.ContainsCode()) {
            return SectionOf(section);
        }
    }
    return std::nullopt;
}

// Reads each structure until it is complete or the file ends: a read the system answers in
// pieces does not make a cut-short image.
CodeSectionLookup FindCodeSection(ReadableFile& file) {
    pe::PeImageReader reader(file, pe::ReadCalls::kUntilEnd);
    const auto dos = reader.ReadDosHeader();
    if (dos.status == pe::ReadStatus::kReadFailed) {
        return ReadFailed();
    }
    if (!dos.ok()) {
        return Problem("not a PE image: no MZ header");
    }
    const auto header = reader.ReadNtHeaders(dos.value);
    switch (header.status) {
        case pe::ReadStatus::kOk:
            break;
        case pe::ReadStatus::kSeekFailed:
            return Problem("not a PE image: the PE header offset is negative");
        case pe::ReadStatus::kReadFailed:
            return ReadFailed();
        case pe::ReadStatus::kMalformed:
            return Problem("not a PE image: no PE signature");
        case pe::ReadStatus::kTruncated:
            return Problem("not a PE image: the file header is cut short");
    }
    if (!reader.SkipOptionalHeader(header.value)) {
        return ReadFailed();
    }

    if (header.value.sectionCount == 0) {
        return Problem("no code section: the image has no sections");
    }
    const auto sections = reader.ReadSectionTable(header.value);
    if (sections.status == pe::ReadStatus::kReadFailed) {
        return ReadFailed();
    }
    if (!sections.ok()) {
        return Problem("not a PE image: the section table is cut short");
    }
    const auto section = ChooseCodeSection(sections.value);
    if (!section) {
        return Problem("no code section: no \".text\" section and none marked as code");
    }
    return {section, {}};
}

}  // namespace quillguard
