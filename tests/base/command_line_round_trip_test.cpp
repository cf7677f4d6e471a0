// Command lines as Windows splits them: the launcher finds its own path and forwards the
// arguments after its name, quoted again. The quoting's rules are QuoteArgumentTest's table.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "base/win32_launcher_facts.h"
#include "support/captured_process.h"

namespace quillguard {
namespace {

TEST(LauncherSelfTest, ReportsItsOwnPathAndRequotesEveryArgumentAfterItsName) {
    // It writes its path and the arguments it forwards, each followed by a NUL, as UTF-16.
    const std::wstring helper = std::filesystem::path(ReadLauncherFacts().path)
                                    .replace_filename(L"qg_print_launcher_info.exe")
                                    .wstring();
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Foo_QG.exe   ", L""},
        {L"\"C:\\Games\\My Game\\Foo_QG.exe\" -windowed", L"-windowed"},
        {L"Foo_QG.exe one \"two words\"\tthree", L"one \"two words\" three"},
        {L"Foo_QG.exe x \"\" y", L"x \"\" y"},
        // The update-only switch is the launcher's, and never forwarded.
        {L"Foo_QG.exe -a --quillguard-update-only b", L"-a b"},
        {L"Foo_QG.exe \x00e9t\x00e9 \"\x4e2d \x6587\"", L"\x00e9t\x00e9 \"\x4e2d \x6587\""},
    };
    for (const auto& [commandLine, forwarded] : cases) {
        const std::string output = testing::RunCaptured(helper, commandLine).value_or("");
        std::wstring report(output.size() / sizeof(wchar_t), L'\0');
        output.copy(reinterpret_cast<char*>(report.data()), report.size() * sizeof(wchar_t));
        EXPECT_EQ(report, helper + L'\0' + forwarded + L'\0')
            << "command line: " << ::testing::PrintToString(commandLine);
    }
}

}  // namespace
}  // namespace quillguard
