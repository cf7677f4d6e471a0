#include "update/public_key_pem.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/base64.h"

namespace quillguard {
namespace {

// A key openssl made ("openssl ecparam -name prime256v1 -genkey | openssl pkey -pubout").
constexpr std::string_view kPem =
    "-----BEGIN PUBLIC KEY-----\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEQqKPOn+6MxWB4RFbFUULDp1Py8hD\n"
    "e8WX4/42UboEIEgOXdtV99bHnqiQOViVNc0UeXymZFLBnbazl+6L0rQdSQ==\n"
    "-----END PUBLIC KEY-----\n";
constexpr std::string_view kPointHex =
    "42a28f3a7fba331581e1115b15450b0e9d4fcbc8437bc597e3fe3651ba042048"
    "0e5ddb55f7d6c79ea89039589535cd14797ca66452c19db6b397ee8bd2b41d49";
// The same curve's generator.
constexpr std::string_view kG =
    "6b17d1f2e12c4247f8bce6e563a440f277037d812deb33a0f4a13945d898c296"
    "4fe342e2fe1a7f9b8ee7eb4a7c0f9e162bce33576b315ececbb6406837bf51f5";
// The prime p itself as X: congruent to 0, whose Y² = b has a root only above p.
constexpr std::string_view kXIsPrime =
    "ffffffff00000001000000000000000000000000ffffffffffffffffffffffff"
    "4fe342e2fe1a7f9b8ee7eb4a7c0f9e162bce33576b315ececbb6406837bf51f5";

std::array<std::uint8_t, 64> Point(std::string_view hex) {
    std::array<std::uint8_t, 64> point{};
    for (std::size_t i = 0; i < point.size(); ++i) {
        point[i] =
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(2 * i, 2)), nullptr, 16));
    }
    return point;
}

std::vector<std::uint8_t> Der() {
    const std::string_view body = kPem.substr(27, kPem.size() - 27 - 25);
    std::string base64(body);
    std::erase(base64, '\n');
    return *DecodeBase64(base64);
}

std::string Pem(const std::vector<std::uint8_t>& der) {
    return "-----BEGIN PUBLIC KEY-----\n" + EncodeBase64(der) + "\n-----END PUBLIC KEY-----\n";
}

TEST(PublicKeyPemTest, TellsPointsOnTheCurveFromPointsOff) {
    const std::pair<std::string_view, bool> cases[] = {
        {kG, true},
        {kPointHex, true},
        {kXIsPrime, false},
    };
    for (const auto& [hex, onCurve] : cases) {
        EXPECT_EQ(IsOnP256Curve(Point(hex)), onCurve) << hex;
    }
    auto nudged = Point(kG);
    nudged[63] ^= 1;
    EXPECT_FALSE(IsOnP256Curve(nudged));
    EXPECT_FALSE(IsOnP256Curve(std::array<std::uint8_t, 64>{}));
}

TEST(PublicKeyPemTest, ReadsTheKeyOpensslWroteAndNothingElse) {
    const auto key = ReadPublicKeyPem(kPem);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->point, Point(kPointHex));
    EXPECT_EQ(key->der, Der());
    std::string crlf;
    for (const char c : kPem) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_TRUE(ReadPublicKeyPem(crlf));

    const struct {
        const char* what;
        void (*edit)(std::vector<std::uint8_t>&);
    } derEdits[] = {
        {"one byte short", [](std::vector<std::uint8_t>& d) { d.pop_back(); }},
        {"one byte more", [](std::vector<std::uint8_t>& d) { d.push_back(0); }},
        {"compressed point", [](std::vector<std::uint8_t>& d) { d[26] = 0x02; }},
        {"another curve", [](std::vector<std::uint8_t>& d) { d[22] = 0x08; }},
        {"another algorithm", [](std::vector<std::uint8_t>& d) { d[12] = 0x02; }},
        {"point off the curve", [](std::vector<std::uint8_t>& d) { d.back() ^= 1; }},
    };
    for (const auto& c : derEdits) {
        auto der = Der();
        c.edit(der);
        EXPECT_EQ(ReadPublicKeyDer(der), std::nullopt) << c.what;
        EXPECT_EQ(ReadPublicKeyPem(Pem(der)), std::nullopt) << c.what;
    }
    EXPECT_EQ(ReadPublicKeyPem(kPem.substr(0, kPem.size() - 25)), std::nullopt);  // no END line
    std::string privateLabel(kPem);
    privateLabel.replace(privateLabel.find("PUBLIC"), 6, "EC PRIVATE");
    EXPECT_EQ(ReadPublicKeyPem(privateLabel), std::nullopt);
}

}  // namespace
}  // namespace quillguard
