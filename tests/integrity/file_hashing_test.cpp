#include "integrity/file_hashing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "support/manifest_text.h"
#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

#ifdef _WIN32
#include <windows.h>
#include "base/unique_handle.h"
#endif

namespace quillguard {
namespace {

using testing::DigestOf;
using testing::Filled;
using testing::PeImageBuilder;
using testing::ScratchFile;

TEST(HashFileTest, HashesWholeFilesAcrossChunkBordersOrGivesTheZeroDigest) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kHashChunkSize - 1,
                                   kHashChunkSize, kHashChunkSize + 1, 3 * kHashChunkSize + 17}) {
        const auto bytes = Filled(size);
        EXPECT_EQ(HashFile(ScratchFile(bytes).path()), DigestOf(bytes)) << size << " bytes";
    }
    EXPECT_EQ(HashFile(ScratchFile::UniquePath()), Sha1Digest{});
    // A folder opens on neither platform as a file to read.
    EXPECT_EQ(HashFile(std::filesystem::temp_directory_path()), Sha1Digest{});
}

// The raw data of the first section named ".text" exactly, else of the first code section.
TEST(HashCodeSectionTest, HashesTheCodeSectionOrSaysWhatIsWrong) {
    constexpr std::uint32_t kCode = PeImageBuilder::kCode;
    constexpr std::uint32_t kData = PeImageBuilder::kInitializedData;
    const auto code = Filled(1000);
    const auto text = [&] { return PeImageBuilder().addSection({".text", kCode, code}); };
    const auto two = [](PeImageBuilder::Section first, PeImageBuilder::Section second) {
        return PeImageBuilder().addSection(first).addSection(second).Build();
    };
    const auto valid = text().Build();
    const auto patched = [&](std::size_t offset, std::uint32_t value) {
        auto image = valid;
        PeImageBuilder::Put(image, offset, value);
        return image;
    };
    const struct {
        std::vector<std::uint8_t> image;
        std::string_view problem;
        std::optional<Sha1Digest> digest = std::nullopt;
    } cases[] = {
        {valid, "", DigestOf(code)},
        // The optional header is skipped by its declared size, whatever the machine.
        {text().optionalHeaderSize(0x100).Build(), "", DigestOf(code)},
        {two({"CODE", kCode, Filled(300)}, {".text", kData, code}), "", DigestOf(code)},
        {two({".textbss", kData, Filled(300)}, {"CODE", kCode, code}), "", DigestOf(code)},
        {two({"CODE", kCode, code}, {"MORE", kCode, Filled(300)}), "", DigestOf(code)},
        // The raw data said to be longer than the file holds, or to start past its end.
        {patched(PeImageBuilder::kFirstSectionHeader + 16, 100000), "", DigestOf(code)},
        {patched(PeImageBuilder::kFirstSectionHeader + 20, 1 << 20), "", DigestOf({})},
        {std::vector<std::uint8_t>(100, 'h'), "not a PE image: no MZ header"},
        {patched(60, 0x80000000), "not a PE image: the PE header offset is negative"},  // e_lfanew
        {patched(PeImageBuilder::kPeOffset, 0x00584550),
         "not a PE image: no PE signature"},  // "PEX"
        // The signature is whole, the file header behind it missing.
        {{valid.begin(), valid.begin() + PeImageBuilder::kPeOffset + 4},
         "not a PE image: the file header is cut short"},
        {PeImageBuilder().Build(), "no code section: the image has no sections"},
        {patched(PeImageBuilder::kPeOffset + 6, 0xFFFF),  // the section count
         "not a PE image: the section table is cut short"},
        {two({".data", kData, code}, {".text2", kData, code}),
         "no code section: no \".text\" section and none marked as code"},
    };
    for (const auto& c : cases) {
        const ScratchFile scratch(c.image);
        ReadableFile file(scratch.path());
        const CodeSectionHash hash = HashCodeSectionOf(file);
        EXPECT_EQ(hash.problem.text, c.problem) << &c - cases;
        EXPECT_EQ(hash.digest, c.digest) << &c - cases;
    }
}

#ifdef _WIN32
// Files are read (through ReadableFile) only while nobody can change them: a writer elsewhere
// makes a file unreadable even when it shares everything, a reader sharing only reading not.
TEST(FileSharingTest, OnlyAWriterElsewhereMakesAFileUnreadable) {
    const auto bytes = Filled(100);
    const ScratchFile file(bytes);
    for (const bool readable : {true, false}) {
        const UniqueFileHandle handle(
            ::CreateFileW(file.path().c_str(), readable ? GENERIC_READ : GENERIC_WRITE,
                          readable ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(handle.valid());
        EXPECT_EQ(HashFile(file.path()), readable ? DigestOf(bytes) : Sha1Digest{});
    }
}
#endif

}  // namespace
}  // namespace quillguard
