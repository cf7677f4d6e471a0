#include "net/manifest.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "integrity/sha1_digest.h"

namespace quillguard {
namespace {

const std::string kDigest = "a9993e364706816aba3e25717850c26c9cd0d89d";
const std::string kUrl = "https://localhost:47443/launcher/QuillGuardLauncher-1.2.exe";

enum class Outcome { Read, FetchFailed, MissingSha1 };

struct Case {
    const char* name;
    std::string body;
    Outcome outcome;
    std::optional<std::wstring> url = std::nullopt;  // checked only when the manifest is read
};

LauncherError ExpectedError(Outcome outcome, ManifestKind kind) {
    const bool launcher = kind == ManifestKind::Launcher;
    switch (outcome) {
        case Outcome::Read:
            return 0;
        case Outcome::FetchFailed:
            return launcher ? 1 : 12;
        case Outcome::MissingSha1:
            return launcher ? 2 : 13;
    }
    return 0;
}

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

void Check(const Case& c) {
    for (const ManifestKind kind : {ManifestKind::Launcher, ManifestKind::Stub}) {
        const ManifestReading reading = ReadManifest(c.body, kind);
        ASSERT_EQ(reading.error, ExpectedError(c.outcome, kind))
            << c.name << ", " << (kind == ManifestKind::Launcher ? "launcher" : "stub");
        if (c.outcome == Outcome::Read) {
            EXPECT_EQ(reading.manifest.sha1, Sha1FromHex(kDigest)) << c.name;
            EXPECT_EQ(reading.manifest.url, c.url) << c.name;
        }
    }
}

TEST(ReadManifestTest, ReadsTheDocumentsThePublisherServes) {
    const Case cases[] = {
        {"sha1 and url", R"({"sha1":")" + kDigest + R"(","url":")" + kUrl + R"("})", Outcome::Read,
         Wide(kUrl)},
        {"sha1 without url", R"({"sha1":")" + kDigest + R"("})", Outcome::Read},
        {"members in the other order", R"({"url":")" + kUrl + R"(","sha1":")" + kDigest + R"("})",
         Outcome::Read, Wide(kUrl)},
        {"extra members are ignored",
         R"({"version":"1.2.0","sha1":")" + kDigest + R"(","size":123,"url":")" + kUrl +
             R"(","notes":{"a":[1,2]}})",
         Outcome::Read, Wide(kUrl)},
        {"upper-case digest",
         R"({"sha1":"A9993E364706816ABA3E25717850C26C9CD0D89D","url":")" + kUrl + R"("})",
         Outcome::Read, Wide(kUrl)},
        {"whitespace around the value", " \r\n\t{ \"sha1\" : \"" + kDigest + "\" }\n\n",
         Outcome::Read},
        {"empty url is handed on as it is", R"({"sha1":")" + kDigest + R"(","url":""})",
         Outcome::Read, L""},
        {"url key in the wrong case is absent",
         R"({"sha1":")" + kDigest + R"(","URL":")" + kUrl + R"("})", Outcome::Read},
        {"url that is not a string counts as absent", R"({"sha1":")" + kDigest + R"(","url":42})",
         Outcome::Read},
        {"null url counts as absent", R"({"sha1":")" + kDigest + R"(","url":null})", Outcome::Read},
    };
    for (const Case& c : cases) {
        Check(c);
    }
}

TEST(ReadManifestTest, ReportsAMissingDigestWithTheMissingSha1Code) {
    const Case cases[] = {
        {"url without sha1", R"({"url":")" + kUrl + R"("})", Outcome::MissingSha1},
        {"empty object", "{}", Outcome::MissingSha1},
        {"key in the wrong case", R"({"SHA1":")" + kDigest + R"("})", Outcome::MissingSha1},
        {"key with a blank", R"({"sha1 ":")" + kDigest + R"("})", Outcome::MissingSha1},
        {"empty array", "[]", Outcome::MissingSha1},
        {"array of a member", R"([{"sha1":")" + kDigest + R"("}])", Outcome::MissingSha1},
        {"string", "\"" + kDigest + "\"", Outcome::MissingSha1},
        {"number", "42", Outcome::MissingSha1},
        {"boolean", "true", Outcome::MissingSha1},
        {"null", "null", Outcome::MissingSha1},
    };
    for (const Case& c : cases) {
        Check(c);
    }
}

TEST(ReadManifestTest, TreatsAnUnusableDigestAsMissing) {
    const Case cases[] = {
        {"number", R"({"sha1":1234})", Outcome::MissingSha1},
        {"null", R"({"sha1":null})", Outcome::MissingSha1},
        {"array", R"({"sha1":[")" + kDigest + R"("]})", Outcome::MissingSha1},
        {"object", R"({"sha1":{}})", Outcome::MissingSha1},
        {"boolean", R"({"sha1":false})", Outcome::MissingSha1},
        {"39 digits", R"({"sha1":")" + kDigest.substr(1) + R"("})", Outcome::MissingSha1},
        {"41 digits", R"({"sha1":")" + kDigest + R"(0"})", Outcome::MissingSha1},
        {"empty", R"({"sha1":""})", Outcome::MissingSha1},
        {"not hex", R"({"sha1":"g)" + kDigest.substr(1) + R"("})", Outcome::MissingSha1},
        {"0x prefix", R"({"sha1":"0x)" + kDigest.substr(2) + R"("})", Outcome::MissingSha1},
        {"escaped NUL inside", R"({"sha1":"\u0000)" + kDigest.substr(1) + R"("})",
         Outcome::MissingSha1},
        {"non-ASCII digit", R"({"sha1":"\u00e9)" + kDigest.substr(2) + R"("})",
         Outcome::MissingSha1},
    };
    for (const Case& c : cases) {
        Check(c);
    }
}

TEST(ReadManifestTest, ReportsABodyThatIsNotOneJsonValueAsAFailedFetch) {
    const std::string good = R"({"sha1":")" + kDigest + R"("})";
    const Case cases[] = {
        {"empty body", "", Outcome::FetchFailed},
        {"only whitespace", " \n", Outcome::FetchFailed},
        {"HTML page", "<html><body><h1>Welcome</h1></body></html>", Outcome::FetchFailed},
        {"line comment", "// current build\n" + good, Outcome::FetchFailed},
        {"block comment", R"({/* current */"sha1":")" + kDigest + R"("})", Outcome::FetchFailed},
        {"trailing comma in the object", R"({"sha1":")" + kDigest + R"(",})", Outcome::FetchFailed},
        {"trailing comma in an array", R"({"sha1":")" + kDigest + R"(","x":[1,]})",
         Outcome::FetchFailed},
        {"two values", good + good, Outcome::FetchFailed},
        {"text after the value", good + " x", Outcome::FetchFailed},
        {"zero byte after the value", good + std::string(1, '\0'), Outcome::FetchFailed},
        {"zero byte then text after the value", good + std::string(1, '\0') + "<html>",
         Outcome::FetchFailed},
        {"zero byte before the value", std::string(1, '\0') + good, Outcome::FetchFailed},
        {"raw control character in a string", "{\"sha1\":\"" + kDigest + "\",\"url\":\"a\x01\"}",
         Outcome::FetchFailed},
        {"invalid UTF-8 in a string", "{\"sha1\":\"" + kDigest + "\",\"url\":\"\xff\"}",
         Outcome::FetchFailed},
        {"single quotes", "{'sha1':'" + kDigest + "'}", Outcome::FetchFailed},
        {"unquoted key", "{sha1:\"" + kDigest + "\"}", Outcome::FetchFailed},
        {"deeply nested arrays", std::string(100000, '[') + std::string(99999, ']'),
         Outcome::FetchFailed},
    };
    for (const Case& c : cases) {
        Check(c);
    }
}

TEST(ReadManifestTest, EveryTruncationOfAManifestIsAFailedFetch) {
    const std::string body = R"({"sha1":")" + kDigest + R"(","url":")" + kUrl + R"("})";
    for (std::size_t size = 0; size < body.size(); ++size) {
        EXPECT_EQ(ReadManifest(body.substr(0, size), ManifestKind::Stub).error, 12u)
            << "first " << size << " bytes";
    }
}

TEST(ReadManifestTest, WidensTheUrlByteByByteAsSignedChars) {
    // "é" is C3 A9 in UTF-8; each byte becomes one unit, sign-extended, with no decoding.
    const std::string body =
        "{\"sha1\":\"" + kDigest + "\",\"url\":\"https://h/\xc3\xa9\x7f?q=1#f\"}";
    const ManifestReading reading = ReadManifest(body, ManifestKind::Launcher);
    ASSERT_EQ(reading.error, 0u);
    const std::wstring expected = {L'h',   L't',   L't', L'p', L's', L':', L'/', L'/', L'h', L'/',
                                   0xFFC3, 0xFFA9, 0x7F, L'?', L'q', L'=', L'1', L'#', L'f'};
    EXPECT_EQ(reading.manifest.url, expected);
}

TEST(ReadManifestTest, AnEscapedKeyMatchesItsDecodedForm) {
    const std::string body = R"({"\u0073ha1":")" + kDigest + R"("})";
    EXPECT_EQ(ReadManifest(body, ManifestKind::Launcher).error, 0u);
}

TEST(ManifestErrorsForTest, GivesEachFlowItsOwnCodes) {
    const ManifestErrors launcher = ManifestErrorsFor(ManifestKind::Launcher);
    const ManifestErrors stub = ManifestErrorsFor(ManifestKind::Stub);
    EXPECT_EQ(launcher.missingUrl, 3u);
    EXPECT_EQ(stub.missingUrl, 14u);
    EXPECT_EQ(launcher.fetchFailed, 1u);
    EXPECT_EQ(stub.missingSha1, 13u);
}

}  // namespace
}  // namespace quillguard
