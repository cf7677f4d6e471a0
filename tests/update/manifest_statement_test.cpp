#include "update/manifest_statement.h"

#include <gtest/gtest.h>

#include <string>

namespace quillguard {
namespace {

SignedMembers Members() {
    SignedMembers members;
    members.sha1 = "A9993E364706816ABA3E25717850C26C9CD0D89D";
    members.sha256 = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    members.size = 1048576;
    members.version = 7;
    members.url = "https://updates.example.com/launcher/Foo_QG.exe?v=7";
    return members;
}

TEST(ManifestStatementTest, WritesEveryMemberOnItsLineInOrderWithLowerCaseDigests) {
    auto members = Members();
    const std::string common =
        "QuillGuard signed manifest 1\n"
        "path: /launcher/manifest.json\n"
        "sha1: a9993e364706816aba3e25717850c26c9cd0d89d\n"
        "sha256: ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n"
        "size: 1048576\n"
        "url: https://updates.example.com/launcher/Foo_QG.exe?v=7\n"
        "version: 7\n";
    EXPECT_EQ(ManifestStatement("/launcher/manifest.json", members), common);

    members.expires = "2027-01-31T00:00:00Z";
    EXPECT_EQ(ManifestStatement("/launcher/manifest.json", members),
              common + "expires: 2027-01-31T00:00:00Z\n");

    members.size = 0;
    members.version = 18446744073709551615ULL;
    const auto extremes = ManifestStatement("/stub/x/manifest.json", members);
    ASSERT_TRUE(extremes);
    EXPECT_NE(extremes->find("\nsize: 0\n"), std::string::npos);
    EXPECT_NE(extremes->find("\nversion: 18446744073709551615\n"), std::string::npos);
}

TEST(ManifestStatementTest, RefusesValuesThatCouldForgeOrBlurALine) {
    const struct {
        const char* what;
        std::string path;
        void (*edit)(SignedMembers&);
    } cases[] = {
        {"line break in path", "/launcher/manifest.json\nsize: 1", [](SignedMembers&) {}},
        {"line break in url", "/p", [](SignedMembers& m) { m.url += "\nversion: 99"; }},
        {"tab in expires", "/p", [](SignedMembers& m) { m.expires = "2027\t"; }},
        {"zero byte in url", "/p", [](SignedMembers& m) { m.url.push_back('\0'); }},
        {"delete in path", "/p\x7F", [](SignedMembers&) {}},
        {"byte 0x80 in url", "/p", [](SignedMembers& m) { m.url += "\x80"; }},
        {"short sha1", "/p", [](SignedMembers& m) { m.sha1.pop_back(); }},
        {"non-hex sha1", "/p", [](SignedMembers& m) { m.sha1[0] = 'g'; }},
        {"long sha256", "/p", [](SignedMembers& m) { m.sha256 += "0"; }},
        {"line break in sha256", "/p", [](SignedMembers& m) { m.sha256[63] = '\n'; }},
    };
    for (const auto& c : cases) {
        auto members = Members();
        c.edit(members);
        EXPECT_EQ(ManifestStatement(c.path, members), std::nullopt) << c.what;
    }
}

}  // namespace
}  // namespace quillguard
