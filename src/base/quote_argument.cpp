#include "base/quote_argument.h"

#include <cstddef>

namespace quillguard {

std::wstring QuoteArgument(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) {
        return std::wstring(argument);
    }
    std::wstring quoted(1, L'"');
    std::size_t pendingBackslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++pendingBackslashes;
        } else if (c == L'"') {
            quoted.append(2 * pendingBackslashes + 1, L'\\');
            quoted.push_back(c);
            pendingBackslashes = 0;
        } else {
            quoted.append(pendingBackslashes, L'\\');
            quoted.push_back(c);
            pendingBackslashes = 0;
        }
    }
    // Backslashes before the closing quote are doubled so that it still closes the argument.
    quoted.append(2 * pendingBackslashes, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring JoinQuotedArguments(std::span<const wchar_t* const> arguments) {
    std::wstring joined;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) {
            joined.push_back(L' ');
        }
        joined += QuoteArgument(arguments[i]);
    }
    return joined;
}

}  // namespace quillguard
