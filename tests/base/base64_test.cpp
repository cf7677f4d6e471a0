#include "base/base64.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace quillguard {
namespace {

TEST(Base64Test, RoundTripsTheStandardVectorsAndEveryByte) {
    // RFC 4648, section 10.
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        const std::vector<std::uint8_t> bytes(plain.begin(), plain.end());
        EXPECT_EQ(EncodeBase64(bytes), encoded);
        EXPECT_EQ(DecodeBase64(encoded), bytes) << encoded;
    }
    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), std::uint8_t{0});
    const auto text = EncodeBase64(all);
    EXPECT_NE(text.find('+'), std::string::npos);
    EXPECT_NE(text.find('/'), std::string::npos);
    EXPECT_EQ(DecodeBase64(text), all);
}

TEST(Base64Test, RejectsEveryTextThatIsNotTheOneEncodingOfItsBytes) {
    const std::string_view rejected[] = {
        "Zg",        // padding missing
        "Zg=",       // padding short
        "Zg===",     // too long
        "Z===",      // one digit cannot hold a byte
        "Zh==",      // bits after the last byte
        "Zm9=",      // the same with one padding character
        "Zm9v\n",    // whitespace
        "Zm 9v",     // whitespace inside
        "Zg==Zm8=",  // padding before the end
        "Zm=v",      // padding inside a group
        "Zm9-",      // the URL-safe alphabet
        "Zm9_",     std::string_view("Zm\0v", 4),
    };
    for (const auto text : rejected) {
        EXPECT_EQ(DecodeBase64(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace quillguard
