#include "publish/publish_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "integrity/file_hashing.h"
#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard::publish {
namespace {

using testing::PeImageBuilder;
using testing::ScratchFile;

struct PublishRun {
    int status;
    std::string out;
    std::string err;
};

PublishRun Publish(std::vector<std::filesystem::path> arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunPublishCommand(arguments, out, err);
    return {status, out.str(), err.str()};
}

std::string Utf8(const std::filesystem::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string HexLine(const Sha1Digest& digest, const std::filesystem::path& path) {
    const std::wstring hex = Sha1ToHex(digest);
    return std::string(hex.begin(), hex.end()) + "  " + Utf8(path) + "\n";
}

const std::vector<std::uint8_t> kCode = {0x55, 0x48, 0x89, 0xe5, 0xc3};

TEST(PublishCommandTest, Sha1PrintsLikeSha1sum) {
    const ScratchFile abc({'a', 'b', 'c'});
    const ScratchFile empty({});
    const PublishRun run = Publish({"sha1", abc.path(), empty.path()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "a9993e364706816aba3e25717850c26c9cd0d89d  " + Utf8(abc.path()) + "\n" +
                           "da39a3ee5e6b4b0d3255bfef95601890afd80709  " + Utf8(empty.path()) +
                           "\n");
    EXPECT_EQ(run.err, "");
}

TEST(PublishCommandTest, StubIdIsTheDigestOfTheCodeSection) {
    const ScratchFile image(
        PeImageBuilder().addSection({".text", PeImageBuilder::kCode, kCode}).Build());
    const PublishRun run = Publish({"stub-id", image.path()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, HexLine(HashCodeSection(image.path()), image.path()));
    EXPECT_NE(HashCodeSection(image.path()), Sha1Digest{});
}

TEST(PublishCommandTest, AFileThatFailsIsNamedWithItsReasonAndTheOthersStillPrint) {
    const ScratchFile good(
        PeImageBuilder().addSection({".text", PeImageBuilder::kCode, kCode}).Build());
    const ScratchFile text({'h', 'e', 'l', 'l', 'o'});
    const ScratchFile noCode(
        PeImageBuilder().addSection({".data", PeImageBuilder::kInitializedData, kCode}).Build());
    const auto missing = ScratchFile::UniquePath();

    const PublishRun stubIds =
        Publish({"stub-id", missing, text.path(), good.path(), noCode.path()});
    EXPECT_EQ(stubIds.status, 1);
    EXPECT_EQ(stubIds.out, HexLine(HashCodeSection(good.path()), good.path()));
    EXPECT_NE(stubIds.err.find(Utf8(missing) + ": cannot open: "), std::string::npos)
        << stubIds.err;
    EXPECT_NE(stubIds.err.find(Utf8(text.path()) + ": not a PE image: no MZ header"),
              std::string::npos)
        << stubIds.err;
    EXPECT_NE(stubIds.err.find(Utf8(noCode.path()) + ": no code section"), std::string::npos)
        << stubIds.err;

    const PublishRun digests = Publish({"sha1", missing, text.path()});
    EXPECT_EQ(digests.status, 1);
    EXPECT_EQ(digests.out, HexLine(HashFile(text.path()), text.path()));
    EXPECT_NE(digests.err.find(Utf8(missing) + ": cannot open: "), std::string::npos);
}

TEST(PublishCommandTest, UsageErrorsExitWithTwo) {
    const ScratchFile file({'x'});
    for (const auto& arguments : std::vector<std::vector<std::filesystem::path>>{
             {}, {"sha1"}, {"stub-id"}, {"publish-everything", file.path()}}) {
        const PublishRun run = Publish(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: qg-publish COMMAND FILE..."), std::string::npos);
    }
}

}  // namespace
}  // namespace quillguard::publish
