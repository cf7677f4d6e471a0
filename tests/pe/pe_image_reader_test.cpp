#include "pe/pe_image_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard::pe {
namespace {

using testing::PeImageBuilder;
using testing::ScratchFile;

std::string Failed(const char* step, ReadStatus status) {
    static constexpr const char* kNames[] = {"ok", "seek failed", "read failed", "truncated",
                                             "malformed"};
    return std::string(step) + ": " + kNames[static_cast<int>(status)];
}

// The reads the import check makes, in its order: the first failure, or the first imported name
// and whether another import follows.
std::string Walk(const std::vector<std::uint8_t>& image, ReadCalls calls) {
    const ScratchFile scratch(image);
    ReadableFile file(scratch.path());
    PeImageReader reader(file, calls);
    const auto dos = reader.ReadDosHeader();
    if (!dos.ok()) {
        return Failed("dos", dos.status);
    }
    const auto header = reader.ReadNtHeaders(dos.value);
    if (!header.ok()) {
        return Failed("nt", header.status);
    }
    const auto optional = reader.ReadOptionalHeader(header.value);
    if (!optional.ok()) {
        return Failed("optional", optional.status);
    }
    const auto sections = reader.ReadSectionTable(header.value);
    if (!sections.ok()) {
        return Failed("sections", sections.status);
    }
    const auto directory = FileOffsetOfRva(sections.value, optional.value.importDirectoryRva);
    if (!directory) {
        return "imports: unmapped";
    }
    const auto first = reader.ReadImportDescriptor(*directory, 0);
    if (!first.ok()) {
        return Failed("import 0", first.status);
    }
    const auto nameOffset = FileOffsetOfRva(sections.value, first.value.nameRva);
    const auto name = nameOffset ? reader.ReadName(*nameOffset) : Result<std::string>{};
    if (!name.ok()) {
        return Failed("name", name.status);
    }
    const auto second = reader.ReadImportDescriptor(*directory, 1);
    if (!second.ok()) {
        return Failed("import 1", second.status);
    }
    return name.value + (second.value.nameRva == 0 ? ", alone" : ", then more");
}

PeImageBuilder Importing(std::vector<std::string> libraries) {
    return PeImageBuilder()
        .addSection({".text", PeImageBuilder::kCode, std::vector<std::uint8_t>(64, 0xC3)})
        .importLibraries(std::move(libraries));
}

std::vector<std::uint8_t> WithPeOffset(std::uint32_t offset) {
    auto image = Importing({"a.dll"}).Build();
    PeImageBuilder::Put32(image, 60, offset);  // e_lfanew
    return image;
}

class PeImageReaderTest : public ::testing::TestWithParam<ReadCalls> {};

TEST_P(PeImageReaderTest, ReadsEachStructureOrSaysWhereItFails) {
    auto noSignature = Importing({"a.dll"}).Build();
    noSignature[PeImageBuilder::kPeOffset + 2] = 'X';
    auto notMz = Importing({"a.dll"}).Build();
    notMz[1] = 'X';
    const struct {
        std::vector<std::uint8_t> image;
        std::string walk;
    } cases[] = {
        {Importing({"QGClient.dll"}).Build(), "QGClient.dll, alone"},
        {Importing({"x.dll"}).x86().Build(), "x.dll, alone"},
        {Importing({"a.dll", "b.dll"}).Build(), "a.dll, then more"},
        {Importing({std::string(300, 'Q')}).Build(), std::string(255, 'Q') + ", alone"},
        {Importing({""}).Build(), "name: malformed"},
        {{}, "dos: truncated"},
        {notMz, "dos: malformed"},
        {WithPeOffset(0x80000000), "nt: seek failed"},
        {WithPeOffset(0x7FFFFFFF), "nt: malformed"},  // past the end: no signature
        {noSignature, "nt: malformed"},
        {Importing({"a.dll"}).machine(0xAA64).Build(), "optional: malformed"},
        {Importing({"a.dll"}).magic(0x10B).Build(), "optional: malformed"},
        {Importing({"a.dll"}).x86().magic(0x20B).Build(), "optional: malformed"},
        {Importing({"a.dll"}).rvaCount(1).Build(), "imports: unmapped"},  // no import directory
        {Importing({"a.dll"}).sectionCount(0xFFFF).Build(), "sections: truncated"},
        {PeImageBuilder().importRva(0x1000).Build(), "imports: unmapped"},
        {Importing({"a.dll"}).importRva(0x200).Build(), "imports: unmapped"},
        // The section table is read behind the standard-size optional header, so a larger one
        // puts optional header bytes where the sections are looked for.
        {Importing({"a.dll"}).optionalHeaderSize(0x100).Build(), "imports: unmapped"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Walk(c.image, GetParam()), c.walk) << c.walk;
    }
}

TEST_P(PeImageReaderTest, EveryTruncationFailsInTheStructureItCuts) {
    const PeImageBuilder builder = Importing({"QGClient.dll"});
    const auto image = builder.Build();
    // The import section is last: two descriptors, then the name.
    const std::size_t descriptors = image.size() - 40 - 13;
    constexpr std::size_t kPe = PeImageBuilder::kPeOffset;
    const struct {
        std::size_t end;
        std::string walk;
    } steps[] = {
        {kPe, "dos: truncated"},
        {kPe + 4, "nt: malformed"},
        {kPe + 24, "nt: truncated"},
        {kPe + 24 + 240, "optional: truncated"},
        {builder.HeadersEnd(), "sections: truncated"},
        {descriptors + 20, "import 0: truncated"},
        {descriptors + 41, "name: truncated"},  // the name is read before the second descriptor
    };
    std::size_t step = 0;
    for (std::size_t size = 0; size < image.size(); ++size) {
        while (step < std::size(steps) && size >= steps[step].end) {
            ++step;
        }
        const std::vector<std::uint8_t> cut(image.begin(), image.begin() + static_cast<long>(size));
        const std::string expected =
            step < std::size(steps)
                ? steps[step].walk
                : std::string(cut.begin() + static_cast<long>(descriptors + 40), cut.end()) +
                      ", alone";
        ASSERT_EQ(Walk(cut, GetParam()), expected) << "cut to " << size << " bytes";
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
