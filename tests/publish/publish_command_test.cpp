#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "publish_workspace.h"

namespace quillguard::testing {
namespace {

// A line for each file as sha1sum prints it; a file that fails is named with its reason on
// standard error, exit status 1, and the others still print.
TEST(PublishCommandTest, PrintsEachFileLikeSha1sumAndNamesThoseThatFail) {
    const ScratchFile text(std::string("abc"));
    const ScratchFile exe(Image("abc"));
    const auto missing = ScratchFile::UniquePath();
    const std::string abc = "a9993e364706816aba3e25717850c26c9cd0d89d  ";
    EXPECT_EQ(RunTool({"sha1", text.path()}), std::tuple(0, abc + text.path().string() + "\n", ""));
    const auto [status, out, err] = RunTool({"stub-id", missing, text.path(), exe.path()});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, abc + exe.path().string() + "\n");
    for (const std::string& reason : {missing.string() + ": cannot open: ",
                                      text.path().string() + ": not a PE image: no MZ header"}) {
        EXPECT_NE(err.find(reason), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace quillguard::testing
