#include "integrity/sha1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "integrity/sha1_compress.h"
#include "integrity/sha1_digest.h"

#ifdef QG_TEST_WITH_OPENSSL
#include <openssl/evp.h>
#endif

namespace quillguard {
namespace {

struct CompressPath {
    const char* name;
    Sha1CompressFunction compress;
};

// Those this build has and this processor can run.
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

TEST_P(Sha1Test, MatchesKnownDigests) {
    // Messages of 55 and 56 bytes end on each side of the padding border: up to 55 bytes in the
    // last block the length fits beside them, from 56 it needs a block of its own.
    const std::string text = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+/";
    const std::pair<std::string, const char*> cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {text.substr(0, 55), "b720993221bd1cc79959e921e9857b851d2982e0"},
        {text.substr(0, 63), "e3363bb93cbb27ec5749e81004c6dd0e9894da64"},
        {text, "e12b0edf84f60d39b67c67a791c738a111175382"},
    };
    for (const auto& [message, digest] : cases) {
        // In halves, with an empty update between: it may come with a null pointer mid-block.
        Sha1 sha1(GetParam().compress);
        sha1.Update(message.data(), message.size() / 2);
        sha1.Update(nullptr, 0);
        sha1.Update(message.data() + message.size() / 2, message.size() - message.size() / 2);
        EXPECT_EQ(sha1.Final(), Sha1FromHex(digest)) << message.size() << " bytes";
    }
}

#ifdef QG_TEST_WITH_OPENSSL
// Against an independent SHA-1 on random messages from odd addresses, in random pieces: whole
// blocks are compressed straight from the caller's memory wherever they start, in any split.
TEST_P(Sha1Test, AgreesWithOpenSslOnRandomMessagesInRandomPieces) {
    std::mt19937 random(20261206);
    const auto upTo = [&](std::size_t most) {
        return std::uniform_int_distribution<std::size_t>(0, most)(random);
    };
    for (int round = 0; round < 1000; ++round) {
        // Mostly short messages, some of a few blocks, a few over a megabyte.
        std::vector<std::uint8_t> data(7 + upTo(round % 100 == 0  ? 3 << 20
                                                : round % 10 == 0 ? 70000
                                                                  : 300));
        std::generate(data.begin(), data.end(),
                      [&] { return static_cast<std::uint8_t>(random()); });
        const auto skip = static_cast<std::size_t>(round % 7);
        Sha1Digest expected;
        ASSERT_EQ(EVP_Digest(data.data() + skip, data.size() - skip, expected.bytes.data(), nullptr,
                             EVP_sha1(), nullptr),
                  1);
        Sha1 pieces(GetParam().compress);
        for (std::size_t offset = skip, piece = 0; offset < data.size(); offset += piece) {
            piece = std::min(data.size() - offset, upTo(150));
            pieces.Update(data.data() + offset, piece);
        }
        ASSERT_EQ(pieces.Final(), expected)
            << "round " << round << ", " << data.size() - skip << " bytes";
    }
}
#endif

TEST(Sha1DigestTest, ParsesFortyHexDigitsInEitherCaseAndWritesLowerCase) {
    // The known digests above are parsed from lower case; this adds upper case, and writing.
    EXPECT_EQ(Sha1ToHex(Sha1FromHex("0123456789ABCDEFfedcba98765432100f1e2d3c")),
              L"0123456789abcdeffedcba98765432100f1e2d3c");
    const std::string a39(39, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {a39, "SHA1 hex string must be 40 characters."},
        {a39 + "\xc3\xa9", "SHA1 hex string must be 40 characters."},  // 41 bytes
        {"g" + a39, "Invalid hex digit"},
        {a39 + "G", "Invalid hex digit"},
        {std::string(40, '\0'), "Invalid hex digit"},
    };
    for (const auto& [text, message] : cases) {
        try {
            Sha1FromHex(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(error.what(), message) << text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Sha1Test, ::testing::ValuesIn(CompressPaths()),
                         [](const auto& path) { return std::string(path.param.name); });

}  // namespace
}  // namespace quillguard
