#include "integrity/file_hashing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "integrity/code_section.h"
#include "integrity/sha1.h"
#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::PeImageBuilder;
using testing::ScratchFile;
using Section = PeImageBuilder::Section;

constexpr std::uint32_t kCodeFlag = PeImageBuilder::kCode;

const Sha1Digest kZero{};

Sha1Digest DigestOf(const std::vector<std::uint8_t>& bytes, std::size_t offset = 0,
                    std::size_t size = SIZE_MAX) {
    Sha1 sha1;
    if (offset < bytes.size()) {
        sha1.Update(bytes.data() + offset, std::min(size, bytes.size() - offset));
    }
    return sha1.Final();
}

std::vector<std::uint8_t> Filled(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 31 + (i >> 8));
    }
    return bytes;
}

Sha1Digest HashCodeSectionOfBytes(const std::vector<std::uint8_t>& image) {
    const ScratchFile file(image);
    return HashCodeSection(file.path());
}

TEST(HashFileTest, HashesWholeFilesAcrossChunkBorders) {
    for (const std::size_t size : {std::size_t{1}, kHashChunkSize - 1, kHashChunkSize,
                                   kHashChunkSize + 1, 3 * kHashChunkSize + 17}) {
        const auto bytes = Filled(size, 7);
        const ScratchFile file(bytes);
        EXPECT_EQ(HashFile(file.path()), DigestOf(bytes)) << size << " bytes";
    }
}

TEST(HashFileTest, AnEmptyFileHasTheDigestOfTheEmptyMessage) {
    const ScratchFile file({});
    EXPECT_EQ(Sha1ToHex(HashFile(file.path())), L"da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(HashFileTest, AFileThatCannotBeOpenedGivesTheZeroDigest) {
    EXPECT_EQ(HashFile(ScratchFile::UniquePath()), kZero);
    EXPECT_EQ(HashCodeSection(ScratchFile::UniquePath()), kZero);
    // A folder opens on neither platform as a file to read.
    EXPECT_EQ(HashFile(std::filesystem::temp_directory_path()), kZero);
}

pe::SectionHeader Header(const char* name, std::uint32_t characteristics, std::uint32_t at) {
    pe::SectionHeader header;
    std::copy_n(name, std::min<std::size_t>(std::strlen(name), 8), header.name.begin());
    header.characteristics = characteristics;
    header.pointerToRawData = at;
    return header;
}

TEST(ChooseCodeSectionTest, TakesTextExactlyElseTheFirstCodeSection) {
    constexpr std::uint32_t kCode = PeImageBuilder::kCode;
    constexpr std::uint32_t kData = PeImageBuilder::kInitializedData;
    const struct {
        std::vector<pe::SectionHeader> sections;
        std::uint32_t chosen;  // the pointer to raw data of the section chosen, 0 for none
    } cases[] = {
        {{Header(".data", kData, 1), Header(".text", kCode, 2), Header(".rdata", kData, 3)}, 2},
        {{Header("CODE", kCode, 1), Header(".text", kData, 2)}, 2},
        {{Header(".textbss", kData, 1), Header("CODE", kCode, 2), Header("MORE", kCode, 3)}, 2},
        {{Header(".text2", kData, 1), Header(".tex", kData, 2)}, 0},
        {{}, 0},
    };
    for (const auto& c : cases) {
        const auto section = ChooseCodeSection(c.sections);
        EXPECT_EQ(section ? section->pointerToRawData : 0, c.chosen) << &c - cases;
    }
}

TEST(FindCodeSectionTest, FindsTheSectionOrSaysWhatIsWrong) {
    const auto code = Filled(64, 1);
    const auto text = [&] { return PeImageBuilder().addSection({".text", kCodeFlag, code}); };
    const auto withPeOffset = [&](std::uint32_t offset) {
        auto image = text().Build();
        PeImageBuilder::Put32(image, 60, offset);
        return image;
    };
    auto noSignature = text().Build();
    noSignature[PeImageBuilder::kPeOffset + 2] = 'X';  // "PE\0\0" becomes "PEX\0"
    const auto valid = text().Build();
    const std::vector<std::uint8_t> cutInFileHeader(valid.begin(),
                                                    valid.begin() + PeImageBuilder::kPeOffset + 10);
    const struct {
        std::vector<std::uint8_t> image;
        std::string_view problem;
        std::uint32_t codeAt = 0;
    } cases[] = {
        {valid, "", static_cast<std::uint32_t>(text().HeadersEnd())},
        // The optional header is skipped by its declared size, whatever the machine.
        {text().x86().Build(), "", static_cast<std::uint32_t>(text().x86().HeadersEnd())},
        {text().optionalHeaderSize(0x100).Build(), "",
         static_cast<std::uint32_t>(text().optionalHeaderSize(0x100).HeadersEnd())},
        {{'h', 'e', 'l', 'l', 'o'}, "not a PE image: no MZ header"},
        {withPeOffset(0x80000000), "not a PE image: the PE header offset is negative"},
        {withPeOffset(0xFFFFFFFF), "not a PE image: the PE header offset is negative"},
        {withPeOffset(0x7FFFFFFF), "not a PE image: no PE signature"},
        {noSignature, "not a PE image: no PE signature"},
        {cutInFileHeader, "not a PE image: the file header is cut short"},
        {PeImageBuilder().Build(), "no code section: the image has no sections"},
        {text().sectionCount(0xFFFF).Build(), "not a PE image: the section table is cut short"},
        {PeImageBuilder().addSection({".data", PeImageBuilder::kInitializedData, code}).Build(),
         "no code section: no \".text\" section and none marked as code"},
    };
    for (const auto& c : cases) {
        const ScratchFile scratch(c.image);
        ReadableFile file(scratch.path());
        const CodeSectionLookup lookup = FindCodeSection(file);
        EXPECT_EQ(lookup.problem.text, c.problem) << &c - cases;
        EXPECT_FALSE(lookup.problem.readFailed) << &c - cases;
        EXPECT_EQ(lookup.section ? lookup.section->pointerToRawData : 0, c.codeAt) << &c - cases;
    }
}

TEST(HashCodeSectionTest, HashesTheRawDataAsStoredUpToTheEndOfTheFile) {
    const auto code = Filled(1000, 9);
    const auto withCode = [&](std::int64_t pointer, std::int64_t size) {
        Section section{".text", kCodeFlag, pointer < 0 ? code : std::vector<std::uint8_t>()};
        section.pointerToRawData = pointer;
        section.sizeOfRawData = size;
        return PeImageBuilder()
            .addSection({".data", PeImageBuilder::kInitializedData, Filled(300, 2)})
            .addSection(section)
            .Build();
    };
    const Sha1Digest nothing = DigestOf({});
    const struct {
        std::vector<std::uint8_t> image;
        Sha1Digest digest;
    } cases[] = {
        {withCode(-1, -1), DigestOf(code)},
        {withCode(-1, 100000), DigestOf(code)},  // said to be longer than the file holds
        {withCode(-1, 0), nothing},
        {withCode(1 << 20, 64), nothing},  // said to start past the end
        {PeImageBuilder().Build(), kZero},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HashCodeSectionOfBytes(c.image), c.digest) << &c - cases;
    }
}

}  // namespace
}  // namespace quillguard
