#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillguard {

// What a 206 answer's Content-Range header says it holds.
struct ContentRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;               // inclusive
    std::optional<std::uint64_t> length;  // of the whole file; nothing for "*"
};

// Reads "bytes FIRST-LAST/LENGTH" or "bytes FIRST-LAST/*" (decimal, FIRST <= LAST < LENGTH);
// nothing for anything else, an unsatisfied range "bytes */LENGTH" included.
std::optional<ContentRange> ParseContentRange(std::wstring_view header);

// Reads a Content-Length header: nothing unless it is one decimal number that fits in 64 bits.
std::optional<std::uint64_t> ParseContentLength(std::wstring_view header);

}  // namespace quillguard
