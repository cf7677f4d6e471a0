#include "publish/image_identity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/scratch_file.h"
#include "support/version_resource.h"

namespace quillguard::publish {
namespace {

using pe::ReadStatus;
using pe::Result;
using testing::PeImageBuilder;
using testing::ScratchFile;
using testing::Versioned;
using testing::VersionInfoBlock;

const testing::VersionStringList kStrings = {
    {u"CompanyName", u"QuillGuard"},
    {u"UpdateServer", u"https://updates.example.com"},
    {u"Empty", u""},
    {u"Caf\u00e9 \U0001F600", u"\xD800 lone"},
};
const VersionStrings kExpected = {
    {"CompanyName", "QuillGuard"},
    {"UpdateServer", "https://updates.example.com"},
    {"Empty", ""},
    {"Caf\xC3\xA9 \xF0\x9F\x98\x80", "\xEF\xBF\xBD lone"},
};

Result<VersionStrings> StringsOf(const std::vector<std::uint8_t>& image) {
    const ScratchFile file(image);
    ReadableFile readable(file.path());
    return ReadVersionStrings(readable);
}

// Cut-short blocks and images are the fuzzers' (version_info_fuzzer, pe_file_fuzzer).
TEST(ParseVersionInfoTest, ReadsEveryStringAndRefusesBlocksThatDoNotHoldTogether) {
    const std::vector<std::uint8_t> block = VersionInfoBlock(kStrings);
    EXPECT_EQ(ParseVersionInfo(block), kExpected);
    const auto broken = [&block](std::size_t offset, std::uint16_t value) {
        std::vector<std::uint8_t> copy = block;
        PeImageBuilder::Put(copy, offset, value);
        return ParseVersionInfo(copy);
    };
    EXPECT_EQ(broken(2, 0xFFFF), std::nullopt);  // a fixed-info value past the block
    EXPECT_EQ(broken(6, 'W'), std::nullopt);     // another root key
    const std::size_t stringFileInfo = 40 + 52;
    EXPECT_EQ(broken(stringFileInfo, 4), std::nullopt);   // shorter than a node header
    EXPECT_EQ(broken(stringFileInfo, 20), std::nullopt);  // ends inside its key
}

TEST(ReadVersionStringsTest, FindsTheVersionResourceOfBothMachines) {
    const std::vector<std::uint8_t> block = VersionInfoBlock(kStrings);
    const auto image = Versioned(block).Build();
    const auto result = StringsOf(image);
    EXPECT_EQ(result.status, ReadStatus::kOk);
    EXPECT_EQ(result.value, kExpected);
    EXPECT_EQ(StringsOf(Versioned(block).x86().Build()).value, kExpected);
    EXPECT_EQ(StringsOf({image.begin(), image.end() - 1}).status, ReadStatus::kTruncated);
    // No resources, or resources without a version: no strings, and no problem.
    for (const auto& plain : {PeImageBuilder().Build(), PeImageBuilder().rvaCount(2).Build()}) {
        const auto none = StringsOf(plain);
        EXPECT_TRUE(none.ok() && none.value.empty());
    }
    // The tree's directory says it is shorter than the entries it points to.
    const auto shortTree = Versioned(block).directory(2, 0x10000, 40).Build();
    EXPECT_EQ(StringsOf(shortTree).status, ReadStatus::kMalformed);
}

TEST(ReadImageKindTest, ReadsTheMachineAndTheDllFlag) {
    const struct {
        PeImageBuilder image;
        std::uint16_t machine;
        bool dll;
    } cases[] = {
        {PeImageBuilder(), 0x8664, false},
        {PeImageBuilder().characteristics(0x2022), 0x8664, true},
        {PeImageBuilder().x86().characteristics(0x2102), 0x014C, true},
    };
    for (const auto& c : cases) {
        const ScratchFile file(c.image.Build());
        ReadableFile readable(file.path());
        const auto kind = ReadImageKind(readable);
        EXPECT_TRUE(kind.ok() && kind.value.machine == c.machine && kind.value.dll == c.dll);
    }
}

}  // namespace
}  // namespace quillguard::publish
