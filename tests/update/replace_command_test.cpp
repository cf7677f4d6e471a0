// The replace command's text. The expected texts follow the rules by which cmd.exe reads a
// command line: outside double quotes a caret makes the next character plain and is removed;
// a caret-escaped double quote is a plain character that opens no quoted part; a variable is
// expanded from %NAME% before carets are removed, so "^%NAME^%" names the variable "NAME^",
// which is not defined, and stays as it is; with /v:off "!" means nothing, and "^!" is "!".
#include "update/replace_command.h"

#include <gtest/gtest.h>

#include <utility>

namespace quillguard {
namespace {

// The arguments as the launcher forwards them: quoted, joined by spaces.
TEST(ReplaceCommandTest, EscapesEveryCharacterCmdGivesAMeaningTo) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"plain -windowed 1280x720 \x00C4rger \x6E38\x620F",
         L"plain -windowed 1280x720 \x00C4rger \x6E38\x620F"},
        // Separators and redirections: as plain characters they run nothing and write nothing.
        {L"a&&b||c|d", L"a^&^&b^|^|c^|d"},
        {L"<in >out 2>&1", L"^<in ^>out 2^>^&1"},
        {L"(x)", L"^(x^)"},
        {L"^", L"^^"},
        {L"%USERPROFILE% 100%", L"^%USERPROFILE^% 100^%"},
        {L"!PATH!", L"^!PATH^!"},
        // A quoted argument is no quoted part for cmd.exe, so what it holds is escaped too.
        {L"\"with space\" \"a&b\"", L"^\"with space^\" ^\"a^&b^\""},
        {L"\"say\\\"hi\\\"\"", L"^\"say\\^\"hi\\^\"^\""},
    };
    for (const auto& [forwarded, escaped] : cases) {
        EXPECT_EQ(EscapeForCommandInterpreter(forwarded), escaped);
    }
}

TEST(ReplaceCommandTest, WaitsCopiesDeletesAndRestartsWithTheArguments) {
    const std::wstring temp = L"C:\\Users\\Jo Doe\\AppData\\Local\\Temp\\QGL1A2B.tmp";
    const std::wstring launcher = L"D:\\Games (x86)\\Tom & Jerry\\Foo_QG.exe";
    const std::wstring system = L"C:\\Windows\\system32";
    const std::wstring start =
        L"cmd.exe /d /s /v:off /c \"\"C:\\Windows\\system32\\timeout.exe\" /t 2 /nobreak >nul"
        L" && copy /y \"C:\\Users\\Jo Doe\\AppData\\Local\\Temp\\QGL1A2B.tmp\""
        L" \"D:\\Games (x86)\\Tom & Jerry\\Foo_QG.exe\" >nul"
        L" && del \"C:\\Users\\Jo Doe\\AppData\\Local\\Temp\\QGL1A2B.tmp\""
        L" && start \"\" \"D:\\Games (x86)\\Tom & Jerry\\Foo_QG.exe\"";
    // Paths go between quotes as they are: inside quotes & and parentheses are plain.
    EXPECT_EQ(BuildReplaceCommand(temp, launcher, L"", system), start + L"\"");
    EXPECT_EQ(BuildReplaceCommand(temp, launcher, L"\"a b\" c&d", system),
              start + L" ^\"a b^\" c^&d\"");
}

}  // namespace
}  // namespace quillguard
