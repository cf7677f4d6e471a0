#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "base/quote_argument.h"
#include "base/unique_handle.h"

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
    // Every border of a backslash run: before a quote, at the end, before a blank, inside.
    for (std::size_t backslashes = 0; backslashes <= 8; ++backslashes) {
        const std::wstring run(backslashes, L'\\');
        const std::vector<std::wstring> arguments = {run + L"\"", L"a b" + run, run + L" ",
                                                     L"x" + run + L"\"" + run, run + L"a"};
        EXPECT_EQ(RoundTrip(arguments), arguments) << backslashes << " backslashes";
    }
    // An empty argument is dropped and the others keep their order.
    EXPECT_EQ(RoundTrip({L"x", L"", L"y z", L""}), (std::vector<std::wstring>{L"x", L"y z"}));

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

}  // namespace
}  // namespace quillguard
