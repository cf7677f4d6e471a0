#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/captured_process.h"

namespace quillguard {
namespace {

using testing::CapturedProcess;
using testing::RunCaptured;
using testing::TestProgramFolder;

const std::wstring kHelperName = L"qg_print_launcher_info.exe";

// Runs the helper and splits its report into the launcher path and the forwarded arguments.
std::pair<std::wstring, std::wstring> RunHelper(const std::wstring& application,
                                                const std::wstring& commandLine) {
    const auto run = RunCaptured(application, commandLine);
    if (!run || run->exitCode != 0 || run->output.size() % sizeof(wchar_t) != 0) {
        ADD_FAILURE() << "the helper did not run";
        return {};
    }
    std::wstring report(run->output.size() / sizeof(wchar_t), L'\0');
    run->output.copy(reinterpret_cast<char*>(report.data()), run->output.size());
    const auto end = report.find(L'\0');
    const auto argumentsEnd = report.find(L'\0', end + 1);
    if (end == std::wstring::npos || argumentsEnd == std::wstring::npos) {
        ADD_FAILURE() << "the helper's report is not two strings";
        return {};
    }
    return {report.substr(0, end), report.substr(end + 1, argumentsEnd - end - 1)};
}

std::wstring HelperPath() {
    return TestProgramFolder() + kHelperName;
}

TEST(LauncherSelfTest, ReportsItsOwnPathAndRequotesEveryArgumentAfterItsName) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"\"C:\\Program Files\\Game\\Foo_QG.exe\"", L""},
        {L"Foo_QG.exe   ", L""},
        {L"\"C:\\Games\\My Game\\Foo_QG.exe\" -windowed", L"-windowed"},
        {L"Foo_QG.exe one \"two words\"\tthree", L"one \"two words\" three"},
        {L"Foo_QG.exe x \"\" y", L"x  y"},
        {L"Foo_QG.exe say\\\"hi\\\" \"D:\\my dir\\\\\" D:\\dir\\",
         L"\"say\\\"hi\\\"\" \"D:\\my dir\\\\\" D:\\dir\\"},
        {L"Foo_QG.exe a&b \"%PATH%\" ^x", L"a&b %PATH% ^x"},
        {L"Foo_QG.exe \x00e9t\x00e9 \"\x4e2d \x6587\"", L"\x00e9t\x00e9 \"\x4e2d \x6587\""},
    };
    for (const auto& [commandLine, forwarded] : cases) {
        const auto [path, arguments] = RunHelper(HelperPath(), commandLine);
        EXPECT_EQ(path, HelperPath());
        EXPECT_EQ(arguments, forwarded)
            << "command line: " << ::testing::PrintToString(commandLine);
    }
}

}  // namespace
}  // namespace quillguard
