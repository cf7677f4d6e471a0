#include "integrity/sha1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "integrity/sha1_compress.h"
#include "integrity/sha1_digest.h"

namespace quillguard {
namespace {

using CompressPath = std::pair<const char*, Sha1CompressFunction>;

// The compression functions this build has and this processor can run, by name.
std::vector<CompressPath> CompressPaths() {
    std::vector<CompressPath> paths = {{"portable", &Sha1CompressPortable},
                                       {"selected", SelectedSha1Compress()}};
#ifdef QG_SHA1_X86_EXTENSIONS
    if (Sha1ShaExtensionsAvailable()) {
        paths.push_back({"sha_extensions", &Sha1CompressShaExtensions});
    }
#endif
    return paths;
}

class Sha1Test : public ::testing::TestWithParam<CompressPath> {};

// 55 and 56 bytes end on each side of the padding border (from 56 the length needs a block of its
// own). Whole blocks are compressed straight from the caller's memory, so each message is hashed
// from an odd address, in pieces that fill the buffer, cross it and hold whole blocks, each
// followed by an empty update, which may come with a null pointer.
TEST_P(Sha1Test, MatchesKnownDigestsInAnyPiecesFromAnyAddress) {
    const std::string text = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+/";
    // Blocks that all differ, so that a block read twice or skipped shows.
    std::string million;
    for (std::size_t i = 0; i < 1000000; ++i) {
        million.push_back(text[i % 63]);
    }
    const std::pair<std::string, const char*> cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {million, "1722bbbabc8844d8cfd6c0b9fe6235c286efa2a4"},
        {text.substr(0, 55), "b720993221bd1cc79959e921e9857b851d2982e0"},
        {text.substr(0, 63), "e3363bb93cbb27ec5749e81004c6dd0e9894da64"},
        {text, "e12b0edf84f60d39b67c67a791c738a111175382"},
    };
    for (const auto& [message, digest] : cases) {
        const std::string shifted = "-" + message;
        for (const std::size_t piece :
             {std::size_t{1}, std::size_t{63}, std::size_t{65}, message.size() / 2 + 1}) {
            Sha1 sha1(GetParam().second);
            for (std::size_t at = 1; at < shifted.size(); at += piece) {
                sha1.Update(shifted.data() + at, std::min(piece, shifted.size() - at));
                sha1.Update(nullptr, 0);
            }
            EXPECT_EQ(sha1.Final(), Sha1FromHex(digest)) << message.size() << " bytes by " << piece;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Sha1Test, ::testing::ValuesIn(CompressPaths()),
                         [](const auto& path) { return std::string(path.param.first); });

}  // namespace
}  // namespace quillguard
