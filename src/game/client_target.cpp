#include "game/client_target.h"

#include <string_view>

#include "pe/pe_image_reader.h"

namespace quillguard {
namespace {

// ASCII case-insensitive comparison of the whole name, as _stricmp does.
bool IsClientLibraryName(std::string_view name) {
    const std::string_view expected = kClientLibraryName;
    if (name.size() != expected.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(static_cast<unsigned char>(name[i])) !=
            lower(static_cast<unsigned char>(expected[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

// One read call a structure keeps the search of a game folder to a few calls a file.
bool IsClientTargetFile(ReadableFile& file) {
    pe::PeImageReader reader(file, pe::ReadCalls::kOne);
    const auto dos = reader.ReadDosHeader();
    if (!dos.ok()) {
        return false;
    }
    const auto header = reader.ReadNtHeaders(dos.value);
    if (!header.ok()) {
        return false;
    }
    // The section table is taken to follow the standard-size optional header directly.
    const auto optional = reader.ReadOptionalHeader(header.value);
    if (!optional.ok() || optional.value.importDirectoryRva == 0) {
        return false;
    }
    const auto sections = reader.ReadSectionTable(header.value);
    if (!sections.ok()) {
        return false;
    }
    const auto directory = pe::FileOffsetOfRva(sections.value, optional.value.importDirectoryRva);
    if (!directory) {
        return false;
    }
    const auto first = reader.ReadImportDescriptor(*directory, 0);
    if (!first.ok() || first.value.nameRva == 0) {
        return false;
    }
    const auto nameOffset = pe::FileOffsetOfRva(sections.value, first.value.nameRva);
    if (!nameOffset) {
        return false;
    }
    const auto name = reader.ReadName(*nameOffset);
    if (!name.ok() || !IsClientLibraryName(name.value)) {
        return false;
    }
    // The client library must be the only import: the next descriptor ends the list.
    const auto second = reader.ReadImportDescriptor(*directory, 1);
    return second.ok() && second.value.nameRva == 0;
}

bool IsClientTarget(const std::filesystem::path& path) {
    ReadableFile file(path);
    return file.IsOpen() && IsClientTargetFile(file);
}

}  // namespace quillguard
