#include "net/content_range.h"

#include <limits>

namespace quillguard {
namespace {

// Reads the decimal number at the start of text and drops it; nothing when there is none or it
// does not fit in 64 bits.
std::optional<std::uint64_t> TakeNumber(std::wstring_view& text) {
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= L'0' && text[digits] <= L'9'; ++digits) {
        const auto digit = static_cast<std::uint64_t>(text[digits] - L'0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    text.remove_prefix(digits);
    return value;
}

bool Take(std::wstring_view& text, std::wstring_view expected) {
    if (!text.starts_with(expected)) {
        return false;
    }
    text.remove_prefix(expected.size());
    return true;
}

}  // namespace

std::optional<ContentRange> ParseContentRange(std::wstring_view header) {
    ContentRange range;
    const auto first = Take(header, L"bytes ") ? TakeNumber(header) : std::nullopt;
    const auto last = first && Take(header, L"-") ? TakeNumber(header) : std::nullopt;
    if (!last || !Take(header, L"/") || *last < *first) {
        return std::nullopt;
    }
    range.first = *first;
    range.last = *last;
    if (!Take(header, L"*")) {
        range.length = TakeNumber(header);
        if (!range.length || *range.length <= *last) {
            return std::nullopt;
        }
    }
    if (!header.empty()) {
        return std::nullopt;
    }
    return range;
}

std::optional<std::uint64_t> ParseContentLength(std::wstring_view header) {
    const auto length = TakeNumber(header);
    return header.empty() ? length : std::nullopt;
}

}  // namespace quillguard
