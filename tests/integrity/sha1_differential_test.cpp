// Our engine against an independent SHA-1, OpenSSL's, on random messages of random lengths.
#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "integrity/sha1.h"

namespace quillguard {
namespace {

Sha1Digest OpenSslSha1(const std::vector<std::uint8_t>& data) {
    Sha1Digest digest;
    unsigned int size = 0;
    EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest.bytes.data(), &size, EVP_sha1(), nullptr),
              1);
    EXPECT_EQ(size, digest.bytes.size());
    return digest;
}

TEST(Sha1DifferentialTest, AgreesWithOpenSslOnRandomMessages) {
    std::mt19937_64 random(20261206);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        // Mostly short messages, some of a few blocks, a few over a megabyte.
        const std::size_t limit = round % 100 == 0 ? 3 << 20 : round % 10 == 0 ? 70000 : 300;
        std::vector<std::uint8_t> data(
            std::uniform_int_distribution<std::size_t>(0, limit)(random));
        for (auto& b : data) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        Sha1 sha1;
        sha1.Update(data.data(), data.size());
        ASSERT_EQ(sha1.Final(), OpenSslSha1(data))
            << "round " << round << ", " << data.size() << " bytes";
    }
}

}  // namespace
}  // namespace quillguard
