#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_file.h"
#include "update/win32_accepted_versions.h"
#include "update/win32_update_crypto.h"

namespace quillguard {
namespace {

using Bytes64 = std::array<std::uint8_t, 64>;

Bytes64 FromHex(std::string_view hex) {
    Bytes64 bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] =
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(2 * i, 2)), nullptr, 16));
    }
    return bytes;
}

// Made with "openssl dgst -sha256 -sign" and converted from DER to r‖s.
const Bytes64 kKey = FromHex(
    "42a28f3a7fba331581e1115b15450b0e9d4fcbc8437bc597e3fe3651ba042048"
    "0e5ddb55f7d6c79ea89039589535cd14797ca66452c19db6b397ee8bd2b41d49");
constexpr std::string_view kMessage =
    "QuillGuard signed manifest 1\npath: /launcher/manifest.json\n";
const Bytes64 kSignature = FromHex(
    "71d995190913a9426c5e01445d4f482b4b18a88502a18280db14eb44a33a806a"
    "150f136a6568e4fb884e9071662a92677e500d74658f9446e1c259e2cff5861f");
// The curve's generator: a valid key, but not the signer.
const Bytes64 kOtherKey = FromHex(
    "6b17d1f2e12c4247f8bce6e563a440f277037d812deb33a0f4a13945d898c296"
    "4fe342e2fe1a7f9b8ee7eb4a7c0f9e162bce33576b315ececbb6406837bf51f5");

TEST(Win32UpdateCryptoTest, VerifiesOnlyTheSignatureOfTheSignerOverTheExactStatement) {
    Win32UpdateCrypto crypto;
    Bytes64 flipped = kSignature;
    flipped[40] ^= 0x01;
    const struct {
        const char* what;
        Bytes64 key;
        std::string message;
        Bytes64 signature;
        bool valid;
    } cases[] = {
        {"genuine", kKey, std::string(kMessage), kSignature, true},
        {"one byte more", kKey, std::string(kMessage) + "x", kSignature, false},
        {"last byte dropped", kKey, std::string(kMessage.substr(1)), kSignature, false},
        {"bit of s flipped", kKey, std::string(kMessage), flipped, false},
        {"another key", kOtherKey, std::string(kMessage), kSignature, false},
        {"zero signature", kKey, std::string(kMessage), Bytes64{}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(crypto.VerifySignature(c.key, c.message, c.signature), c.valid) << c.what;
    }
}

TEST(Win32UpdateCryptoTest, HashesAFileWithSha256AndReportsAnUnreadableOne) {
    Win32UpdateCrypto crypto;
    const testing::ScratchFile abc(std::string("abc"));
    const Sha256Digest expected = {0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40,
                                   0xde, 0x5d, 0xae, 0x22, 0x23, 0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17,
                                   0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};
    EXPECT_EQ(crypto.HashFileSha256(abc.path().wstring()), expected);
    EXPECT_EQ(crypto.HashFileSha256(testing::ScratchFile::UniquePath().wstring()), std::nullopt);
}

TEST(Win32AcceptedVersionsTest, KeepsOneQwordPerPathUnderTheQuillGuardKey) {
    const std::wstring launcherValue = L"UpdateVersion /launcher/manifest.json";
    const std::wstring stubValue = L"UpdateVersion /stub/ab/manifest.json";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\QuillGuard", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegDeleteValueW(key, launcherValue.c_str());
    ::RegDeleteValueW(key, stubValue.c_str());

    Win32AcceptedVersions versions;
    EXPECT_EQ(versions.Read("/launcher/manifest.json"), std::nullopt);
    versions.Record("/launcher/manifest.json", 0x100000002ULL);
    versions.Record("/stub/ab/manifest.json", 7);
    EXPECT_EQ(versions.Read("/launcher/manifest.json"), 0x100000002ULL);
    EXPECT_EQ(versions.Read("/stub/ab/manifest.json"), 7U);
    std::uint64_t stored = 0;
    DWORD type = 0;
    DWORD size = sizeof(stored);
    EXPECT_EQ(::RegQueryValueExW(key, launcherValue.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(&stored), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_QWORD));
    EXPECT_EQ(stored, 0x100000002ULL);

    // Another type under the name is no record.
    const DWORD small = 9;
    ::RegSetValueExW(key, stubValue.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&small),
                     sizeof(small));
    EXPECT_EQ(versions.Read("/stub/ab/manifest.json"), std::nullopt);

    ::RegDeleteValueW(key, launcherValue.c_str());
    ::RegDeleteValueW(key, stubValue.c_str());
    ::RegCloseKey(key);
}

}  // namespace
}  // namespace quillguard
