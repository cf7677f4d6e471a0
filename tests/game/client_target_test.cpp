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

PeImageBuilder Importing(std::vector<std::string> libraries) {
    return PeImageBuilder()
        .addSection({".text", PeImageBuilder::kCode, std::vector<std::uint8_t>(64, 0xC3)})
        .importLibraries(std::move(libraries));
}

// How the headers are read, and where they fail, is the PE reader's test; this is the verdict.
TEST(IsClientTargetTest, OnlyImagesImportingTheClientLibraryAloneAreTargets) {
    const struct {
        std::vector<std::uint8_t> image;
        bool target;
    } cases[] = {
        {Importing({"QGClient.dll"}).Build(), true},
        {Importing({"qgclient.DLL"}).Build(), true},
        {Importing({"QGClient.dll"}).x86().Build(), true},
        {Importing({"QGClient.dll", "KERNEL32.dll"}).Build(), false},
        {Importing({"KERNEL32.dll", "QGClient.dll"}).Build(), false},
        {Importing({"QGClient.dll.bak"}).Build(), false},
        {Importing({"QGClient"}).Build(), false},
        {Importing({"XQGClient.dll"}).Build(), false},
        {Importing({}).Build(), false},
        {Importing({"QGClient.dll"}).machine(0xAA64).Build(), false},
    };
    for (const auto& c : cases) {
        const ScratchFile file(c.image);
        EXPECT_EQ(IsClientTarget(file.path()), c.target) << &c - cases;
    }
    EXPECT_FALSE(IsClientTarget(ScratchFile::UniquePath()));
}

}  // namespace
}  // namespace quillguard
