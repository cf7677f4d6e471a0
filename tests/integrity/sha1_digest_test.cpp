#include "integrity/sha1_digest.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace quillguard {
namespace {

const std::string kLower = "a9993e364706816aba3e25717850c26c9cd0d89d";

TEST(Sha1DigestTest, ParsesEitherCaseAndWritesLowerCase) {
    const Sha1Digest digest = Sha1FromHex("0123456789ABCDEFfedcba98765432100f1e2d3c");
    EXPECT_EQ(digest.bytes[0], 0x01);
    EXPECT_EQ(digest.bytes[19], 0x3c);
    EXPECT_EQ(Sha1ToHex(digest), L"0123456789abcdeffedcba98765432100f1e2d3c");
    EXPECT_EQ(Sha1ToHex(Sha1Digest{}), std::wstring(40, L'0'));
}

TEST(Sha1DigestTest, RejectsAnythingButFortyHexDigits) {
    const std::string length = "SHA1 hex string must be 40 characters.";
    const std::string digit = "Invalid hex digit";
    const std::pair<std::string, std::string> cases[] = {
        {"", length},
        {kLower.substr(1), length},
        {kLower + "0", length},
        {kLower.substr(1) + "\xc3\xa9", length},  // length counts bytes: 41
        {"g" + kLower.substr(1), digit},
        {kLower.substr(0, 39) + "G", digit},
        {" " + kLower.substr(1), digit},
        {"0x" + kLower.substr(2), digit},
        {"-" + kLower.substr(1), digit},
        {kLower.substr(0, 20) + ":" + kLower.substr(21), digit},
        {kLower.substr(0, 38) + "\xc3\xa9", digit},
        {std::string(40, '\0'), digit},
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

}  // namespace
}  // namespace quillguard
