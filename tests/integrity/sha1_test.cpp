#include "integrity/sha1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
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

std::string Hex(const Sha1Digest& digest) {
    const std::wstring hex = Sha1ToHex(digest);
    return std::string(hex.begin(), hex.end());
}

std::vector<std::uint8_t> RandomBytes(std::mt19937& random, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(byte(random));
    }
    return bytes;
}

struct CompressPath {
    const char* name;
    Sha1CompressFunction compress;
    bool available;
};

std::vector<CompressPath> CompressPaths() {
    std::vector<CompressPath> paths = {{"portable", &Sha1CompressPortable, true},
                                       {"selected", SelectedSha1Compress(), true}};
#ifdef QG_SHA1_X86_EXTENSIONS
    paths.push_back({"sha_extensions", &Sha1CompressShaExtensions, Sha1ShaExtensionsAvailable()});
#endif
    return paths;
}

// Every test runs once for each compression path this build has.
class Sha1Test : public ::testing::TestWithParam<CompressPath> {
  protected:
    void SetUp() override {
        if (!GetParam().available) {
            GTEST_SKIP() << "this processor lacks the SHA extensions";
        }
    }

    std::string Digest(const void* data, std::size_t size) const {
        Sha1 sha1(GetParam().compress);
        sha1.Update(data, size);
        return Hex(sha1.Final());
    }
    std::string Digest(const std::string& text) const { return Digest(text.data(), text.size()); }
};

TEST_P(Sha1Test, MatchesKnownDigests) {
    // Prefixes of this text put the end of the message on each side of the padding borders: up
    // to 55 bytes in the last block the length still fits beside them, from 56 it needs a block
    // of its own.
    const std::string text = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+/";
    const std::pair<std::string, const char*> cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "a49b2446a02c645bf419f995b67091253a04a259"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {text.substr(0, 55), "b720993221bd1cc79959e921e9857b851d2982e0"},
        {text.substr(0, 56), "9d3f49d84e67b34664458fdca6e74b9386c654ff"},
        {text.substr(0, 63), "e3363bb93cbb27ec5749e81004c6dd0e9894da64"},
        {text, "e12b0edf84f60d39b67c67a791c738a111175382"},
    };
    for (const auto& [message, digest] : cases) {
        EXPECT_EQ(Digest(message), digest) << message.size() << " bytes";
    }
}

TEST_P(Sha1Test, AnySplitIntoUpdatesGivesTheSameDigest) {
    std::mt19937 random(2);
    for (int round = 0; round < 200; ++round) {
        const auto data =
            RandomBytes(random, std::uniform_int_distribution<std::size_t>(0, 700)(random));
        Sha1 pieces(GetParam().compress);
        std::size_t offset = 0;
        while (offset < data.size()) {
            const std::size_t piece = std::min(
                data.size() - offset, std::uniform_int_distribution<std::size_t>(0, 150)(random));
            pieces.Update(data.data() + offset, piece);
            offset += piece;
        }
        ASSERT_EQ(Hex(pieces.Final()), Digest(data.data(), data.size())) << "round " << round;
    }
}

// An empty update may come with a null pointer, also while part of a block is buffered.
TEST_P(Sha1Test, EmptyUpdatesWithoutDataChangeNothing) {
    const std::string message = "0123456789abc";
    Sha1 sha1(GetParam().compress);
    sha1.Update(nullptr, 0);
    sha1.Update(message.data(), 10);
    sha1.Update(nullptr, 0);
    sha1.Update(message.data() + 10, 3);
    EXPECT_EQ(Hex(sha1.Final()), Digest(message));
}

#ifdef QG_TEST_WITH_OPENSSL
// Against an independent SHA-1 on random messages of random lengths, read from odd addresses:
// whole blocks are compressed straight from the caller's memory wherever it starts.
TEST_P(Sha1Test, AgreesWithOpenSslOnRandomMessages) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 1000; ++round) {
        // Mostly short messages, some of a few blocks, a few over a megabyte.
        const std::size_t limit = round % 100 == 0 ? 3 << 20 : round % 10 == 0 ? 70000 : 300;
        const auto data =
            RandomBytes(random, std::uniform_int_distribution<std::size_t>(7, limit)(random));
        const auto skip = static_cast<std::size_t>(round % 7);
        Sha1Digest expected;
        unsigned int size = 0;
        ASSERT_EQ(EVP_Digest(data.data() + skip, data.size() - skip, expected.bytes.data(), &size,
                             EVP_sha1(), nullptr),
                  1);
        ASSERT_EQ(Digest(data.data() + skip, data.size() - skip), Hex(expected))
            << "round " << round << ", " << data.size() - skip << " bytes";
    }
}
#endif

INSTANTIATE_TEST_SUITE_P(Paths, Sha1Test, ::testing::ValuesIn(CompressPaths()),
                         [](const auto& path) { return std::string(path.param.name); });

}  // namespace
}  // namespace quillguard
