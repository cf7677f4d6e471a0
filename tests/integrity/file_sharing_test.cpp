// Files are hashed and inspected only while nobody can change them: another process holding a
// file open for writing makes it unreadable to them, whatever sharing that process allows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "game/client_target.h"
#include "integrity/file_hashing.h"
#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::PeImageBuilder;
using testing::ScratchFile;

TEST(FileSharingTest, AFileOpenForWritingElsewhereCannotBeHashedOrInspected) {
    const ScratchFile file(PeImageBuilder()
                               .addSection({".text", PeImageBuilder::kCode, {0xC3}})
                               .importLibraries({"QGClient.dll"})
                               .Build());
    ASSERT_NE(HashFile(file.path()), Sha1Digest{});
    ASSERT_NE(HashCodeSection(file.path()), Sha1Digest{});
    ASSERT_TRUE(IsClientTarget(file.path()));

    // The writer lets everyone else read and write too; only our refusal to share writing stops us.
    const UniqueFileHandle writer(::CreateFileW(file.path().c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.valid());
    EXPECT_EQ(HashFile(file.path()), Sha1Digest{});
    EXPECT_EQ(HashCodeSection(file.path()), Sha1Digest{});
    EXPECT_FALSE(IsClientTarget(file.path()));
}

TEST(FileSharingTest, OtherReadersDoNotGetInTheWay) {
    const ScratchFile file({'a', 'b', 'c'});
    const UniqueFileHandle reader(::CreateFileW(file.path().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                nullptr));
    ASSERT_TRUE(reader.valid());
    EXPECT_EQ(Sha1ToHex(HashFile(file.path())), L"a9993e364706816aba3e25717850c26c9cd0d89d");
}

}  // namespace
}  // namespace quillguard
