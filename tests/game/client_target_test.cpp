#include "game/client_target.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>

#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::Importing;

// The verdict; how each structure is read is the PE reader's test.
TEST(IsClientTargetTest, OnlyImagesImportingTheClientLibraryAloneAreTargets) {
    const auto isTarget = [](std::span<const std::uint8_t> image) {
        return IsClientTarget(testing::ScratchFile(image).path());
    };
    for (const auto& other :
         {Importing({"QGClient.dll", "KERNEL32.dll"}), Importing({"KERNEL32.dll", "QGClient.dll"}),
          Importing({"QGClient.dll.bak"}), Importing({"XQGClient.dll"}), Importing({"QGClient"}),
          Importing({}), Importing({"QGClient.dll"}).machine(0xAA64)}) {
        EXPECT_FALSE(isTarget(other.Build()));
    }
    // Cut anywhere before the end of the name, an image is none; only the name's NUL may go.
    const auto target = Importing({"qgclient.DLL"}).x86().Build();
    for (std::size_t size = 0; size <= target.size(); ++size) {
        ASSERT_EQ(isTarget(std::span(target).first(size)), size + 1 >= target.size()) << size;
    }
}

}  // namespace
}  // namespace quillguard
