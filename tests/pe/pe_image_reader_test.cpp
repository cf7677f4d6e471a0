#include "pe/pe_image_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard::pe {
namespace {

using testing::Importing;

std::string Failed(const char* step, ReadStatus status) {
    static constexpr const char* kNames[] = {"ok", "seek failed", "read failed", "truncated",
                                             "malformed"};
    return std::string(step) + ": " + kNames[static_cast<int>(status)];
}

// The reads the import check makes, in its order: the first failure, or the first imported name
// and whether another import follows. The headers' own faults are FindCodeSection's test, and
// cut-short images IsClientTarget's.
std::string Walk(const std::vector<std::uint8_t>& image, ReadCalls calls) {
    const testing::ScratchFile scratch(image);
    ReadableFile file(scratch.path());
    PeImageReader reader(file, calls);
    const auto header = reader.ReadNtHeaders(reader.ReadDosHeader().value);
    const auto optional = reader.ReadOptionalHeader(header.value);
    if (!optional.ok()) {
        return Failed("optional", optional.status);
    }
    const auto sections = reader.ReadSectionTable(header.value);
    const auto directory = FileOffsetOfRva(sections.value, optional.value.importDirectoryRva);
    if (!directory) {
        return "imports: unmapped";
    }
    const auto first = reader.ReadImportDescriptor(*directory, 0);
    const auto name =
        reader.ReadName(FileOffsetOfRva(sections.value, first.value.nameRva).value_or(0));
    if (!name.ok()) {
        return Failed("name", name.status);
    }
    const auto second = reader.ReadImportDescriptor(*directory, 1);
    return name.value + (second.value.nameRva == 0 ? ", alone" : ", then more");
}

class PeImageReaderTest : public ::testing::TestWithParam<ReadCalls> {};

TEST_P(PeImageReaderTest, ReadsTheImportsOrSaysWhereItStops) {
    auto nameless = Importing({"a.dll"}).Build();
    nameless.resize(nameless.size() - 6);  // ends where the name would start
    const struct {
        std::vector<std::uint8_t> image;
        std::string walk;
    } cases[] = {
        {Importing({"a.dll", "b.dll"}).Build(), "a.dll, then more"},
        {Importing({std::string(300, 'Q')}).Build(), std::string(255, 'Q') + ", alone"},
        {Importing({""}).Build(), "name: malformed"},
        {nameless, "name: truncated"},
        {Importing({"a.dll"}).magic(0x10B).Build(), "optional: malformed"},
        {Importing({"a.dll"}).x86().magic(0x20B).Build(), "optional: malformed"},
        {Importing({"a.dll"}).rvaCount(1).Build(), "imports: unmapped"},  // no import directory
        // The section table is read behind the standard-size optional header, so a larger one
        // puts optional header bytes where the sections are looked for.
        {Importing({"a.dll"}).optionalHeaderSize(0x100).Build(), "imports: unmapped"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Walk(c.image, GetParam()), c.walk) << c.walk;
    }
}

INSTANTIATE_TEST_SUITE_P(BothReadStyles, PeImageReaderTest,
                         ::testing::Values(ReadCalls::kOne, ReadCalls::kUntilEnd));

TEST(FileOffsetOfRvaTest, MapsThroughTheFirstSectionThatHoldsTheRva) {
    const std::vector<SectionHeader> sections = {
        {{}, 0x100, 0x1000, 0, 0x400, 0},
        {{}, 0x200, 0x1080, 0, 0x800, 0},  // overlaps the first
        {{}, 0x100, 0x3000, 0, 0, 0},
        {{}, 0x100, 0x4000, 0, 0xFFFFFF80, 0},
    };
    const struct {
        std::uint32_t rva;
        std::optional<std::uint32_t> offset;
    } cases[] = {
        {0x1000, 0x400},       {0x10FF, 0x4FF},        {0x1080, 0x480},
        {0x1100, 0x880},       {0x127F, 0x9FF},        {0x1280, std::nullopt},
        {0xFFF, std::nullopt}, {0x3000, std::nullopt},                          // offset 0
        {0x3001, 1},           {0x407F, 0xFFFFFFFF},   {0x4080, std::nullopt},  // past 4 GiB
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileOffsetOfRva(sections, c.rva), c.offset) << std::hex << c.rva;
    }
}

}  // namespace
}  // namespace quillguard::pe
