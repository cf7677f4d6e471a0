#include "net/manifest.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quillguard {
namespace {

const std::string kDigest = "a9993e364706816aba3e25717850c26c9cd0d89d";
const std::string kUrl = "https://localhost:47443/launcher/QuillGuardLauncher-1.2.exe";
const std::wstring kWideUrl(kUrl.begin(), kUrl.end());
const std::string kGood = R"({"sha1":")" + kDigest + R"("})";

struct Case {
    std::string body;
    ManifestFinding finding;
    std::optional<std::wstring> url = std::nullopt;  // checked only when the manifest is read
};

// The digest's own forms are Sha1FromHex's test, and the other forms of a manifest the launcher
// reads (upper case, spaces, more members) the publisher's verify test.
TEST(ReadManifestTest, FindsTheDigestAndUrlOrSaysWhatIsWrong) {
    using enum ManifestFinding;
    const Case cases[] = {
        {R"({"sha1":")" + kDigest + R"(","url":")" + kUrl + R"("})", Read, kWideUrl},
        {kGood, Read},
        {R"({"sha1":")" + kDigest + R"(","url":""})", Read, L""},
        // A "url" that is not a string counts as absent.
        {R"({"sha1":")" + kDigest + R"(","URL":")" + kUrl + R"("})", Read},
        {R"({"sha1":")" + kDigest + R"(","url":42})", Read},
        // Widened byte by byte as signed chars: "é" (C3 A9 in UTF-8) is not decoded.
        {"{\"sha1\":\"" + kDigest + "\",\"url\":\"h/\xc3\xa9\x7f\"}", Read,
         std::wstring{L'h', L'/', 0xFFC3, 0xFFA9, 0x7F}},

        {"[" + kGood + "]", NotAnObject},
        {"\"" + kDigest + "\"", NotAnObject},

        {R"({"url":")" + kUrl + R"("})", NoUsableSha1},
        {R"({"SHA1":")" + kDigest + R"("})", NoUsableSha1},
        {R"({"sha1":1234})", NoUsableSha1},
        {R"({"sha1":"g)" + kDigest.substr(1) + R"("})", NoUsableSha1},

        {"", NotOneJsonValue},
        {"// current build\n" + kGood, NotOneJsonValue},
        {kGood + " x", NotOneJsonValue},
        // The library would stop at a zero byte and take what came before for the whole body.
        {kGood + std::string(1, '\0') + "<html>", NotOneJsonValue},
        {"{\"sha1\":\"" + kDigest + "\",\"url\":\"\xff\"}", NotOneJsonValue},
        {std::string(100000, '[') + std::string(99999, ']'), NotOneJsonValue},
    };
    for (const Case& c : cases) {
        const ManifestReading reading = ReadManifest(c.body);
        const std::string shown = c.body.substr(0, 80);
        ASSERT_EQ(reading.finding, c.finding) << shown;
        if (c.finding == Read) {
            EXPECT_EQ(reading.manifest.sha1, Sha1FromHex(kDigest)) << shown;
            EXPECT_EQ(reading.manifest.url, c.url) << shown;
        }
    }
}

}  // namespace
}  // namespace quillguard
