#include "integrity/sha1.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "integrity/sha1_compress.h"
#include "integrity/sha1_digest.h"

namespace quillguard {
namespace {

std::string Hex(const Sha1Digest& digest) {
    const std::wstring hex = Sha1ToHex(digest);
    return std::string(hex.begin(), hex.end());
}

std::vector<std::uint8_t> FromHexBytes(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
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

TEST_P(Sha1Test, MatchesTheStandardsExamples) {
    EXPECT_EQ(Digest(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Digest("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(
        Digest("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmno"
               "pqklmnopqrlmnopqrsmnopqrstnopqrstu"),
        "a49b2446a02c645bf419f995b67091253a04a259");
    EXPECT_EQ(Digest(std::string(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST_P(Sha1Test, MatchesByteOrientedValidationVectors) {
    struct Vector {
        std::string message;
        std::string digest;
    };
    const Vector vectors[] = {
        {"36", "c1dfd96eea8cc2b62785275bca38ac261256e278"},
        {"195a", "0a1c2d555bbe431ad6288af5a54f93e0449c9232"},
        {"7c9c67323a1df1adbfe5ceb415eaef0155ece2820f4d50c1ec22cba4928ac656c83fe585db6a78ce40bc42"
         "757aba7e5a3f582428d6ca68d0c3978336a6efb729613e8d9979016204bfd921322fdd5222183554447de5"
         "e6e9bbe6edf76d7b71e18dc2e8d6dc89b7398364f652fafc734329aafa3dcd45d4f31e388e4fafd7fc6495"
         "f37ca5cbab7f54d586463da4bfeaa3bae09f7b8e9239d832b4f0a733aa609cc1f8d4",
         "d8fd6a91ef3b6ced05b98358a99107c1fac8c807"},
    };
    for (const Vector& vector : vectors) {
        const auto message = FromHexBytes(vector.message);
        EXPECT_EQ(Digest(message.data(), message.size()), vector.digest)
            << message.size() << "-byte message";
    }
}

TEST_P(Sha1Test, AnEmptyMessageIsTheSameWithOrWithoutEmptyUpdates) {
    Sha1 sha1(GetParam().compress);
    sha1.Update(nullptr, 0);
    sha1.Update("", 0);
    EXPECT_EQ(Hex(sha1.Final()), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

// Lengths around the padding borders (one padded block up to 55 bytes in the last block, two
// from 56) must agree with the portable path, which the vectors above pin down.
TEST_P(Sha1Test, AgreesWithThePortablePathAroundEveryPaddingBorder) {
    std::mt19937 random(1);
    const auto data = RandomBytes(random, 300);
    for (std::size_t size = 0; size <= data.size(); ++size) {
        Sha1 reference(&Sha1CompressPortable);
        reference.Update(data.data(), size);
        EXPECT_EQ(Digest(data.data(), size), Hex(reference.Final())) << size << " bytes";
    }
}

TEST_P(Sha1Test, AnySplitIntoUpdatesGivesTheSameDigest) {
    std::mt19937 random(2);
    for (int round = 0; round < 200; ++round) {
        const auto data =
            RandomBytes(random, std::uniform_int_distribution<std::size_t>(0, 700)(random));
        const std::string whole = Digest(data.data(), data.size());

        Sha1 pieces(GetParam().compress);
        std::size_t offset = 0;
        while (offset < data.size()) {
            const std::size_t piece = std::min(
                data.size() - offset, std::uniform_int_distribution<std::size_t>(0, 150)(random));
            pieces.Update(data.data() + offset, piece);
            offset += piece;
        }
        ASSERT_EQ(Hex(pieces.Final()), whole) << "round " << round;
    }
    const auto data = RandomBytes(random, 129);
    Sha1 straddling(GetParam().compress);
    straddling.Update(data.data(), 63);
    straddling.Update(data.data() + 63, 1);
    straddling.Update(data.data() + 64, 65);
    EXPECT_EQ(Hex(straddling.Final()), Digest(data.data(), data.size()));

    Sha1 byteByByte(GetParam().compress);
    for (const std::uint8_t byte : data) {
        byteByByte.Update(&byte, 1);
    }
    EXPECT_EQ(Hex(byteByByte.Final()), Digest(data.data(), data.size()));
}

TEST_P(Sha1Test, AgreesWithThePortablePathOnRandomMessages) {
    std::mt19937 random(3);
    for (int round = 0; round < 300; ++round) {
        const auto data =
            RandomBytes(random, std::uniform_int_distribution<std::size_t>(0, 5000)(random));
        // An odd start: whole blocks are read straight from the caller's memory at any address.
        const auto skip = static_cast<std::size_t>(round % 7);
        if (data.size() < skip) {
            continue;
        }
        Sha1 reference(&Sha1CompressPortable);
        reference.Update(data.data() + skip, data.size() - skip);
        ASSERT_EQ(Digest(data.data() + skip, data.size() - skip), Hex(reference.Final()))
            << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Sha1Test, ::testing::ValuesIn(CompressPaths()),
                         [](const auto& path) { return std::string(path.param.name); });

}  // namespace
}  // namespace quillguard
