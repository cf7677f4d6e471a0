#include "integrity/file_hashing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "integrity/sha1.h"
#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::PeImageBuilder;
using testing::ScratchFile;
using Section = PeImageBuilder::Section;

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

TEST(HashCodeSectionTest, HashesTheTextSectionEvenAfterOthers) {
    const auto code = Filled(1000, 1);
    const auto image = PeImageBuilder()
                           .addSection({".data", PeImageBuilder::kInitializedData, Filled(300, 2)})
                           .addSection({".text", PeImageBuilder::kCode, code})
                           .addSection({".rdata", PeImageBuilder::kInitializedData, Filled(50, 3)})
                           .Build();
    EXPECT_EQ(HashCodeSectionOfBytes(image), DigestOf(code));
}

TEST(HashCodeSectionTest, WithoutTextTheFirstCodeSectionIsHashed) {
    const auto code = Filled(200, 4);
    // ".textbss" only begins with ".text": it does not count as the text section.
    const auto image =
        PeImageBuilder()
            .addSection({".textbss", PeImageBuilder::kInitializedData, Filled(64, 5)})
            .addSection({"CODE", PeImageBuilder::kCode, code})
            .addSection({"MORE", PeImageBuilder::kCode, Filled(64, 6)})
            .Build();
    EXPECT_EQ(HashCodeSectionOfBytes(image), DigestOf(code));
}

TEST(HashCodeSectionTest, ThirtyTwoAndSixtyFourBitImagesWithTheSameCodeAgree) {
    const auto code = Filled(512, 8);
    const auto x64 = PeImageBuilder().addSection({".text", PeImageBuilder::kCode, code}).Build();
    // Another machine and optional header size: neither is read.
    const auto x86 = PeImageBuilder()
                         .machine(0x014C)
                         .optionalHeaderSize(0xE0)
                         .addSection({".text", PeImageBuilder::kCode, code})
                         .Build();
    EXPECT_EQ(HashCodeSectionOfBytes(x64), HashCodeSectionOfBytes(x86));
    EXPECT_EQ(HashCodeSectionOfBytes(x64), DigestOf(code));
}

TEST(HashCodeSectionTest, RawDataIsHashedAsStoredUpToTheEndOfTheFile) {
    const auto code = Filled(400, 9);
    // Said to be longer than the file holds: hashed up to the end.
    Section longer{".text", PeImageBuilder::kCode, code};
    longer.sizeOfRawData = 100000;
    EXPECT_EQ(HashCodeSectionOfBytes(PeImageBuilder().addSection(longer).Build()), DigestOf(code));

    // Said to be empty, or to start at or past the end: the digest of no bytes.
    Section empty{".text", PeImageBuilder::kCode, code};
    empty.sizeOfRawData = 0;
    const Sha1Digest nothing = DigestOf({});
    EXPECT_EQ(HashCodeSectionOfBytes(PeImageBuilder().addSection(empty).Build()), nothing);
    Section pastEnd{".text", PeImageBuilder::kCode, {}};
    pastEnd.pointerToRawData = 1 << 20;
    pastEnd.sizeOfRawData = 64;
    EXPECT_EQ(HashCodeSectionOfBytes(PeImageBuilder().addSection(pastEnd).Build()), nothing);
}

TEST(HashCodeSectionTest, ImagesWithoutACodeSectionGiveTheZeroDigest) {
    EXPECT_EQ(HashCodeSectionOfBytes(PeImageBuilder().Build()), kZero);
    EXPECT_EQ(HashCodeSectionOfBytes(
                  PeImageBuilder()
                      .addSection({".data", PeImageBuilder::kInitializedData, Filled(64, 1)})
                      .Build()),
              kZero);
}

TEST(HashCodeSectionTest, BrokenHeadersGiveTheZeroDigest) {
    const auto valid =
        PeImageBuilder().addSection({".text", PeImageBuilder::kCode, Filled(64, 1)}).Build();
    ASSERT_NE(HashCodeSectionOfBytes(valid), kZero);

    auto notMz = valid;
    notMz[0] = 'N';
    EXPECT_EQ(HashCodeSectionOfBytes(notMz), kZero);

    auto notPe = valid;
    notPe[64 + 2] = 'X';  // "PE\0\0" becomes "PEX\0"
    EXPECT_EQ(HashCodeSectionOfBytes(notPe), kZero);

    for (const std::uint32_t peOffset :
         {0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFu, static_cast<std::uint32_t>(valid.size())}) {
        auto moved = valid;
        PeImageBuilder::Put32(moved, 60, peOffset);
        EXPECT_EQ(HashCodeSectionOfBytes(moved), kZero) << "e_lfanew " << peOffset;
    }

    // More sections announced than the table holds.
    EXPECT_EQ(
        HashCodeSectionOfBytes(PeImageBuilder()
                                   .sectionCount(0xFFFF)
                                   .addSection({".text", PeImageBuilder::kCode, Filled(64, 1)})
                                   .Build()),
        kZero);
}

TEST(HashCodeSectionTest, EveryTruncationOfTheHeadersGivesTheZeroDigest) {
    const auto code = Filled(100, 3);
    const PeImageBuilder builder = PeImageBuilder()
                                       .addSection({".data", PeImageBuilder::kInitializedData, {}})
                                       .addSection({".text", PeImageBuilder::kCode, code});
    const auto image = builder.Build();
    const std::size_t codeStart = builder.HeadersEnd();
    for (std::size_t size = 0; size < image.size(); ++size) {
        const std::vector<std::uint8_t> cut(image.begin(), image.begin() + static_cast<long>(size));
        const Sha1Digest expected = size < codeStart ? kZero : DigestOf(cut, codeStart);
        ASSERT_EQ(HashCodeSectionOfBytes(cut), expected) << "cut to " << size << " bytes";
    }
}

}  // namespace
}  // namespace quillguard
