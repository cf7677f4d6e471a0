// Command lines as Windows splits them: the launcher's quoting survives the split, and the
// launcher finds its own path and forwards the arguments after its name.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/quote_argument.h"
#include "base/unique_handle.h"
#include "base/win32_launcher_facts.h"
#include "support/captured_process.h"

namespace quillguard {
namespace {

// Splits a command line the way every program started with it will.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    int count = 0;
    wchar_t** split = ::CommandLineToArgvW(commandLine.c_str(), &count);
    const UniqueLocalMemory owner(split);
    if (split == nullptr) {
        ADD_FAILURE() << "CommandLineToArgvW failed with " << ::GetLastError();
        return {};
    }
    return {split, split + count};
}

std::vector<std::wstring> RoundTrip(const std::vector<std::wstring>& arguments) {
    std::vector<const wchar_t*> pointers;
    for (const auto& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    std::vector<std::wstring> split =
        SplitCommandLine(L"Foo_QG.exe " + JoinQuotedArguments(pointers));
    split.erase(split.begin());
    return split;
}

// Characters that matter to the splitting rules, weighted towards backslashes and quotes, plus
// letters, command interpreter characters and UTF-16 beyond ASCII (a surrogate pair among them).
std::wstring RandomArgument(std::mt19937& random) {
    static const std::array<std::wstring, 16> kPieces = {
        L"\\", L"\\", L"\\\\", L"\"",       L"\"",     L" ",      L"\t",           L"\n",
        L"\v", L"a",  L"Z9",   L"&|^%<>()", L"\x00e9", L"\x4e2d", L"\xd83d\xde00", L"."};
    std::uniform_int_distribution<std::size_t> pieceCount(1, 10);
    std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() - 1);
    std::wstring argument;
    for (std::size_t n = pieceCount(random); n > 0; --n) {
        argument += kPieces[pick(random)];
    }
    return argument;
}

TEST(CommandLineRoundTripTest, SplittingTheQuotedArgumentsGivesThemBack) {
    const unsigned seed = 20261206;
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> argumentCount(1, 6);
    for (int iteration = 0; iteration < 20000; ++iteration) {
        std::vector<std::wstring> arguments(argumentCount(random));
        for (auto& argument : arguments) {
            argument = RandomArgument(random);
        }
        ASSERT_EQ(RoundTrip(arguments), arguments)
            << "seed " << seed << ", iteration " << iteration;
    }
}

TEST(LauncherSelfTest, ReportsItsOwnPathAndRequotesEveryArgumentAfterItsName) {
    // It writes its path and the arguments it forwards, each followed by a NUL, as UTF-16.
    const std::wstring helper = std::filesystem::path(ReadLauncherFacts().path)
                                    .replace_filename(L"qg_print_launcher_info.exe")
                                    .wstring();
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"\"C:\\Program Files\\Game\\Foo_QG.exe\"", L""},
        {L"Foo_QG.exe   ", L""},
        {L"\"C:\\Games\\My Game\\Foo_QG.exe\" -windowed", L"-windowed"},
        {L"Foo_QG.exe one \"two words\"\tthree", L"one \"two words\" three"},
        {L"Foo_QG.exe x \"\" y", L"x  y"},
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
