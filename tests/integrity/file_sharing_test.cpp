// Files are hashed and inspected only while nobody can change them: another process holding a
// file open for writing makes it unreadable to them, whatever sharing that process allows, while
// other readers do not get in the way.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/unique_handle.h"
#include "game/client_target.h"
#include "integrity/file_hashing.h"
#include "support/pe_image_builder.h"
#include "support/scratch_file.h"

namespace quillguard {
namespace {

using testing::PeImageBuilder;
using testing::ScratchFile;

TEST(FileSharingTest, OnlyAWriterElsewhereMakesAFileUnreadable) {
    const ScratchFile file(PeImageBuilder()
                               .addSection({".text", PeImageBuilder::kCode, {0xC3}})
                               .importLibraries({"QGClient.dll"})
                               .Build());
    const Sha1Digest digest = HashFile(file.path());
    const Sha1Digest code = HashCodeSection(file.path());
    ASSERT_NE(digest, Sha1Digest{});
    ASSERT_NE(code, Sha1Digest{});
    struct Other {
        DWORD access;
        DWORD share;
    };
    // The writer lets everyone read and write, so only our refusal to share writing stops us; the
    // reader shares reading only, so we must not ask for more than reading.
    for (const Other other : {Other{GENERIC_READ, FILE_SHARE_READ},
                              Other{GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        const UniqueFileHandle handle(::CreateFileW(file.path().c_str(), other.access, other.share,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                    nullptr));
        ASSERT_TRUE(handle.valid());
        const bool readable = other.access == GENERIC_READ;
        EXPECT_EQ(HashFile(file.path()), readable ? digest : Sha1Digest{}) << readable;
        EXPECT_EQ(HashCodeSection(file.path()), readable ? code : Sha1Digest{}) << readable;
        EXPECT_EQ(IsClientTarget(file.path()), readable);
    }
}

}  // namespace
}  // namespace quillguard
