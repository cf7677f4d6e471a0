#include "integrity/sha1_digest.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace quillguard {
namespace {

// The message of the std::invalid_argument that parsing throws, or "" when it parses.
std::string ParseError(const std::string& text) {
    try {
        Sha1FromHex(text);
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return "";
}

const std::string kLower = "a9993e364706816aba3e25717850c26c9cd0d89d";

TEST(Sha1FromHexTest, ParsesEitherCase) {
    const Sha1Digest digest = Sha1FromHex(kLower);
    EXPECT_EQ(digest.bytes[0], 0xa9);
    EXPECT_EQ(digest.bytes[19], 0x9d);
    EXPECT_EQ(Sha1FromHex("A9993E364706816ABA3E25717850C26C9CD0D89D"), digest);
    EXPECT_EQ(Sha1FromHex("a9993E364706816aBA3e25717850c26C9cd0D89d"), digest);
}

TEST(Sha1FromHexTest, RejectsAnyLengthButForty) {
    for (const std::string& text :
         {std::string(), kLower.substr(1), kLower + "0", kLower + kLower}) {
        EXPECT_EQ(ParseError(text), "SHA1 hex string must be 40 characters.") << text;
    }
    // Length counts bytes: a two-byte character makes 41.
    EXPECT_EQ(ParseError(kLower.substr(1) + "\xc3\xa9"), "SHA1 hex string must be 40 characters.");
}

TEST(Sha1FromHexTest, RejectsAnythingButHexDigits) {
    const std::string bad[] = {
        "g" + kLower.substr(1),
        kLower.substr(0, 39) + "G",
        " " + kLower.substr(1),
        kLower.substr(0, 39) + " ",
        "0x" + kLower.substr(2),
        "-" + kLower.substr(1),
        kLower.substr(0, 20) + ":" + kLower.substr(21),
        kLower.substr(0, 38) + "\xc3\xa9",
        std::string(40, '\0'),
    };
    for (const std::string& text : bad) {
        EXPECT_EQ(ParseError(text), "Invalid hex digit") << text;
    }
}

TEST(Sha1ToHexTest, WritesFortyLowerCaseDigits) {
    EXPECT_EQ(Sha1ToHex(Sha1Digest{}), std::wstring(40, L'0'));
    const Sha1Digest digest = Sha1FromHex("0123456789ABCDEFfedcba98765432100f1e2d3c");
    EXPECT_EQ(Sha1ToHex(digest), L"0123456789abcdeffedcba98765432100f1e2d3c");
}

TEST(Sha1ToHexTest, RoundTripsThroughParsing) {
    Sha1Digest digest;
    for (std::size_t i = 0; i < digest.bytes.size(); ++i) {
        digest.bytes[i] = static_cast<std::uint8_t>(i * 13 + 7);
    }
    const std::wstring hex = Sha1ToHex(digest);
    EXPECT_EQ(Sha1FromHex(std::string(hex.begin(), hex.end())), digest);
}

TEST(Sha1DigestTest, DigestsDifferingInTheLastByteAreUnequal) {
    Sha1Digest a = Sha1FromHex(kLower);
    Sha1Digest b = a;
    EXPECT_EQ(a, b);
    b.bytes[19] ^= 1;
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace quillguard
