#include "publish/image_identity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/scratch_file.h"
#include "support/version_resource.h"

namespace quillguard::publish {
namespace {

using pe::ReadStatus;
using testing::PeImageBuilder;
using testing::Versioned;

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

pe::Result<VersionStrings> StringsOf(const std::vector<std::uint8_t>& image) {
    const testing::ScratchFile file(image);
    ReadableFile readable(file.path());
    return ReadVersionStrings(readable);
}

// Cut-short blocks and images are the fuzzers' (version_info_fuzzer, pe_file_fuzzer).
TEST(ReadVersionStringsTest, ReadsEveryStringOfBothMachinesAndRefusesWhatDoesNotHoldTogether) {
    const std::vector<std::uint8_t> block = testing::VersionInfoBlock(kStrings);
    const auto image = Versioned(block).Build();
    for (const auto& versioned : {image, Versioned(block).x86().Build()}) {
        const auto result = StringsOf(versioned);
        EXPECT_TRUE(result.ok() && result.value == kExpected);
    }
    // A fixed-info value past the block, another root key, a string table shorter than a node
    // header or ending inside its key (the string table starts at 40 + 52).
    for (const auto& [offset, value] :
         {std::pair<std::size_t, std::uint16_t>{2, 0xFFFF}, {6, 'W'}, {92, 4}, {92, 20}}) {
        std::vector<std::uint8_t> broken = block;
        PeImageBuilder::Put(broken, offset, value);
        EXPECT_EQ(ParseVersionInfo(broken), std::nullopt) << offset << ": " << value;
    }
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

}  // namespace
}  // namespace quillguard::publish
