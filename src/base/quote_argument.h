#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quillguard {

// Quotes one argument so that CommandLineToArgvW splits it back unchanged; an empty argument
// yields an empty string (it adds nothing to a command line but its separating space).
std::wstring QuoteArgument(std::wstring_view argument);

// Quotes each argument and joins them with single spaces, so an empty argument leaves only its
// separator; no arguments give an empty string.
std::wstring JoinQuotedArguments(std::span<const wchar_t* const> arguments);

}  // namespace quillguard
