#include "game/client_target.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>

#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::Importing;

TEST(IsClientTargetTest, OnlyImagesImportingTheClientLibraryAloneAreTargets) {
    const auto isTarget = [](std::span<const std::uint8_t> image) {
        return IsClientTarget(testing::ScratchFile(image).path());
    };
    const auto client = [] { return Importing({"QGClient.dll"}); };
    // The optional header's magic must match the machine, and its directory count must reach the
    // imports; the section table is looked for behind the standard-size optional header.
    for (const auto& other :
         {Importing({"QGClient.dll", "KERNEL32.dll"}), Importing({"KERNEL32.dll", "QGClient.dll"}),
          Importing({"QGClient.dll.bak"}), Importing({"XQGClient.dll"}), Importing({"QGClient"}),
          Importing({}), client().machine(0xAA64), client().magic(0x10B),
          client().x86().magic(0x20B), client().rvaCount(1), client().optionalHeaderSize(0x100)}) {
        EXPECT_FALSE(isTarget(other.Build()));
    }
    // Cut inside the name, an image is none; only the name's NUL may go. Every other cut is the
    // fuzzer's (client_target_fuzzer).
    const auto target = Importing({"qgclient.DLL"}).x86().Build();
    EXPECT_TRUE(isTarget(target));
    EXPECT_TRUE(isTarget(std::span(target).first(target.size() - 1)));
    EXPECT_FALSE(isTarget(std::span(target).first(target.size() - 2)));
}

}  // namespace
}  // namespace quillguard
