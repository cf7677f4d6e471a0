#include "game/client_target.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::PeImageBuilder;
using testing::ScratchFile;

const PeImageBuilder::Section kText{".text", PeImageBuilder::kCode,
                                    std::vector<std::uint8_t>(64, 0xC3)};

bool IsTarget(const std::vector<std::uint8_t>& image) {
    const ScratchFile file(image);
    return IsClientTarget(file.path());
}

PeImageBuilder Importing(std::vector<std::string> libraries) {
    return PeImageBuilder().addSection(kText).importLibraries(std::move(libraries));
}

TEST(IsClientTargetTest, AcceptsImagesWhoseOnlyImportIsTheClientLibrary) {
    EXPECT_TRUE(IsTarget(Importing({"QGClient.dll"}).Build()));
    EXPECT_TRUE(IsTarget(Importing({"qgclient.DLL"}).Build()));
    EXPECT_TRUE(IsTarget(Importing({"QGClient.dll"}).x86().Build()));
}

TEST(IsClientTargetTest, RejectsOtherImportLists) {
    const std::vector<std::vector<std::string>> lists = {
        {"QGClient.dll", "KERNEL32.dll"},
        {"KERNEL32.dll", "QGClient.dll"},
        {"QGClient.dll.bak"},
        {"QGClient"},
        {"XQGClient.dll"},
        {std::string(300, 'Q')},
        {},
    };
    for (const auto& list : lists) {
        EXPECT_FALSE(IsTarget(Importing(list).Build())) << ::testing::PrintToString(list);
    }
}

TEST(IsClientTargetTest, RejectsImagesThatAreNotX86OrX64PeFiles) {
    EXPECT_FALSE(IsTarget({}));
    EXPECT_FALSE(IsTarget({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}));
    EXPECT_FALSE(IsTarget(Importing({"QGClient.dll"}).machine(0xAA64).Build()));  // ARM64

    auto noSignature = Importing({"QGClient.dll"}).Build();
    noSignature[64] = 'N';
    EXPECT_FALSE(IsTarget(noSignature));

    // A 64-bit machine with a 32-bit optional header, and the other way round.
    EXPECT_FALSE(IsTarget(Importing({"QGClient.dll"}).magic(0x10B).Build()));
    EXPECT_FALSE(IsTarget(Importing({"QGClient.dll"}).x86().magic(0x20B).Build()));
    // Too few data directories to hold the import directory.
    EXPECT_FALSE(IsTarget(Importing({"QGClient.dll"}).rvaCount(1).Build()));
}

TEST(IsClientTargetTest, RejectsImportDirectoriesThatLeadNowhere) {
    // No imports at all, an import directory in the headers (outside every section), or past
    // every section.
    EXPECT_FALSE(IsTarget(PeImageBuilder().addSection(kText).Build()));
    EXPECT_FALSE(IsTarget(Importing({"QGClient.dll"}).importRva(0x200).Build()));
    EXPECT_FALSE(IsTarget(Importing({"QGClient.dll"}).importRva(0x7FFF0000).Build()));
    // No sections: nothing can map the import directory.
    EXPECT_FALSE(IsTarget(PeImageBuilder().importRva(0x1000).Build()));
    // The section table is read behind the standard-size optional header, not where
    // SizeOfOptionalHeader says.
    EXPECT_FALSE(IsTarget(Importing({"QGClient.dll"}).optionalHeaderSize(0x100).Build()));
}

TEST(IsClientTargetTest, EveryTruncationOfATargetIsRejected) {
    const auto image = Importing({"QGClient.dll"}).Build();
    ASSERT_TRUE(IsTarget(image));
    // The name is the last thing in the file: every shorter file lacks part of what is read.
    for (std::size_t size = 0; size < image.size() - 1; ++size) {
        const std::vector<std::uint8_t> cut(image.begin(), image.begin() + static_cast<long>(size));
        ASSERT_FALSE(IsTarget(cut)) << "cut to " << size << " bytes";
    }
}

TEST(IsClientTargetTest, AFileThatCannotBeOpenedIsNotATarget) {
    EXPECT_FALSE(IsClientTarget(ScratchFile::UniquePath()));
}

}  // namespace
}  // namespace quillguard
