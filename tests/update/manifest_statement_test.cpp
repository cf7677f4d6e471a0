#include "update/manifest_statement.h"

#include <gtest/gtest.h>

#include <string>

namespace quillguard {
namespace {

SignedMembers Members() {
    SignedMembers members;
    members.server = "https://updates.example.com";
    members.path = "/launcher/manifest.json";
    members.sha1 = "A9993E364706816ABA3E25717850C26C9CD0D89D";
    members.sha256 = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    members.size = 1048576;
    members.version = 7;
    members.url = "https://updates.example.com/launcher/Foo_QG.exe?v=7";
    members.expires = "2027-01-31T00:00:00Z";
    return members;
}

TEST(ManifestStatementTest, WritesEveryMemberOnItsLineInOrderWithLowerCaseDigests) {
    EXPECT_EQ(ManifestStatement(Members()),
              "QuillGuard signed manifest 2\n"
              "server: https://updates.example.com\n"
              "path: /launcher/manifest.json\n"
              "sha1: a9993e364706816aba3e25717850c26c9cd0d89d\n"
              "sha256: ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n"
              "size: 1048576\n"
              "url: https://updates.example.com/launcher/Foo_QG.exe?v=7\n"
              "version: 7\n"
              "expires: 2027-01-31T00:00:00Z\n");
}

TEST(ManifestStatementTest, RefusesValuesThatCouldForgeOrBlurALine) {
    const struct {
        const char* what;
        void (*edit)(SignedMembers&);
    } cases[] = {
        {"line break in server", [](SignedMembers& m) { m.server += "\npath: /x"; }},
        {"line break in path", [](SignedMembers& m) { m.path += "\nsize: 1"; }},
        {"line break in url", [](SignedMembers& m) { m.url += "\nversion: 99"; }},
        {"tab in expires", [](SignedMembers& m) { m.expires = "2027\t"; }},
        {"delete in path", [](SignedMembers& m) { m.path += "\x7F"; }},
        {"byte 0x80 in server", [](SignedMembers& m) { m.server += "\x80"; }},
        {"short sha1", [](SignedMembers& m) { m.sha1.pop_back(); }},
        {"non-hex sha1", [](SignedMembers& m) { m.sha1[0] = 'g'; }},
    };
    for (const auto& c : cases) {
        auto members = Members();
        c.edit(members);
        EXPECT_EQ(ManifestStatement(members), std::nullopt) << c.what;
    }
}

}  // namespace
}  // namespace quillguard
