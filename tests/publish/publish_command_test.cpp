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

// A line as sha1sum prints it.
std::string Line(const Sha1Digest& digest, const std::filesystem::path& path) {
    const std::wstring hex = Sha1ToHex(digest);
    return std::string(hex.begin(), hex.end()) + "  " + Utf8(path) + "\n";
}

const std::vector<std::uint8_t> kCode = {0x55, 0x48, 0x89, 0xe5, 0xc3};

TEST(PublishCommandTest, PrintsTheDigestOrStubIdOfEachFileLikeSha1sum) {
    const ScratchFile abc({'a', 'b', 'c'});
    const ScratchFile empty({});
    const PublishRun digests = Publish({"sha1", abc.path(), empty.path()});
    EXPECT_EQ(digests.status, 0);
    EXPECT_EQ(digests.out, "a9993e364706816aba3e25717850c26c9cd0d89d  " + Utf8(abc.path()) +
                               "\nda39a3ee5e6b4b0d3255bfef95601890afd80709  " + Utf8(empty.path()) +
                               "\n");
    EXPECT_EQ(digests.err, "");

    const ScratchFile image(
        PeImageBuilder().addSection({".text", PeImageBuilder::kCode, kCode}).Build());
    ASSERT_NE(HashCodeSection(image.path()), Sha1Digest{});
    const PublishRun stubId = Publish({"stub-id", image.path()});
    EXPECT_EQ(stubId.status, 0);
    EXPECT_EQ(stubId.out, Line(HashCodeSection(image.path()), image.path()));
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
    EXPECT_EQ(stubIds.out, Line(HashCodeSection(good.path()), good.path()));
    for (const std::string& reason :
         {Utf8(missing) + ": cannot open: ", Utf8(text.path()) + ": not a PE image: no MZ header",
          Utf8(noCode.path()) + ": no code section"}) {
        EXPECT_NE(stubIds.err.find(reason), std::string::npos) << stubIds.err;
    }
}

TEST(PublishCommandTest, UsageErrorsExitWithTwo) {
    for (const auto& arguments : std::vector<std::vector<std::filesystem::path>>{
             {}, {"sha1"}, {"stub-id"}, {"publish-everything", "file"}}) {
        const PublishRun run = Publish(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: qg-publish COMMAND FILE..."), std::string::npos);
    }
}

}  // namespace
}  // namespace quillguard::publish
