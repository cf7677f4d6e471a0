#include "base/quote_argument.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace quillguard {
namespace {

struct QuoteCase {
    std::wstring argument;
    std::wstring quoted;
};

class QuoteArgumentTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteArgumentTest, WritesTheQuotedForm) {
    EXPECT_EQ(QuoteArgument(GetParam().argument), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuoteArgumentTest,
    ::testing::Values(
        QuoteCase{L"", L""}, QuoteCase{L"abc", L"abc"}, QuoteCase{L"a b", L"\"a b\""},
        QuoteCase{L"a\"b", L"\"a\\\"b\""},
        // One backslash before a quote becomes three: two for itself, one for the quote.
        QuoteCase{L"a\\\"b", L"\"a\\\\\\\"b\""},
        // No trigger character: a trailing backslash stays single.
        QuoteCase{L"D:\\dir\\", L"D:\\dir\\"},
        // The trailing backslash is doubled so the closing quote still closes.
        QuoteCase{L"D:\\my dir\\", L"\"D:\\my dir\\\\\""}, QuoteCase{L"a\\\\b c", L"\"a\\\\b c\""},
        QuoteCase{L"\t", L"\"\t\""}, QuoteCase{L"line\nfeed", L"\"line\nfeed\""},
        QuoteCase{L"v\vtab", L"\"v\vtab\""}, QuoteCase{L"\"", L"\"\\\"\""},
        QuoteCase{L"\\\\", L"\\\\"}, QuoteCase{L"a b\\\\", L"\"a b\\\\\\\\\""},
        // Command interpreter characters are not quoting triggers.
        QuoteCase{L"x&y|z<>^%PATH%", L"x&y|z<>^%PATH%"}));

TEST(JoinQuotedArgumentsTest, NoArgumentsGiveAnEmptyString) {
    EXPECT_EQ(JoinQuotedArguments({}), L"");
}

TEST(JoinQuotedArgumentsTest, JoinsQuotedArgumentsWithSingleSpaces) {
    const std::array<const wchar_t*, 3> arguments = {L"one", L"two words", L"C:\\a dir\\"};
    EXPECT_EQ(JoinQuotedArguments(arguments), L"one \"two words\" \"C:\\a dir\\\\\"");
}

TEST(JoinQuotedArgumentsTest, AnEmptyArgumentLeavesOnlyItsSeparator) {
    const std::array<const wchar_t*, 3> arguments = {L"x", L"", L"y"};
    EXPECT_EQ(JoinQuotedArguments(arguments), L"x  y");
    const std::array<const wchar_t*, 2> leadingEmpty = {L"", L"y"};
    EXPECT_EQ(JoinQuotedArguments(leadingEmpty), L" y");
}

}  // namespace
}  // namespace quillguard
