#include "base/quote_argument.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

namespace quillguard {
namespace {

TEST(QuoteArgumentTest, QuotesOnlyWhatNeedsItEscapesQuotesAndTheirBackslashesAndJoins) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"", L"\"\""},
        {L"abc", L"abc"},
        {L"a b", L"\"a b\""},
        {L"a\"b", L"\"a\\\"b\""},
        // One backslash before a quote becomes three: two for itself, one for the quote.
        {L"a\\\"b", L"\"a\\\\\\\"b\""},
        // Unquoted, a trailing backslash stays single; quoted, it is doubled so that the closing
        // quote still closes.
        {L"D:\\dir\\", L"D:\\dir\\"},
        {L"D:\\my dir\\", L"\"D:\\my dir\\\\\""},
        {L"a\\\\b c", L"\"a\\\\b c\""},
        {L"\t", L"\"\t\""},
        {L"line\nfeed", L"\"line\nfeed\""},
        {L"v\vtab", L"\"v\vtab\""},
        // Command interpreter characters are not quoting triggers.
        {L"x&y|z<>^%PATH%", L"x&y|z<>^%PATH%"},
    };
    for (const auto& [argument, quoted] : cases) {
        EXPECT_EQ(QuoteArgument(argument), quoted);
    }
    // Joined by single spaces, an empty argument keeping its place.
    EXPECT_EQ(JoinQuotedArguments({}), L"");
    const std::array<const wchar_t*, 4> arguments = {L"", L"one", L"two words", L""};
    EXPECT_EQ(JoinQuotedArguments(arguments), L"\"\" one \"two words\" \"\"");
}

}  // namespace
}  // namespace quillguard
