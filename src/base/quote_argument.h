#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quillguard {

// Quotes one argument so that CommandLineToArgvW splits it back unchanged; an empty argument
// becomes a pair of quotes, so that the game still sees it and the arguments after it keep their
// places.
std::wstring QuoteArgument(std::wstring_view argument);

// Quotes each argument and joins them with single spaces; no arguments give an empty string.
std::wstring JoinQuotedArguments(std::span<const wchar_t* const> arguments);

}  // namespace quillguard
