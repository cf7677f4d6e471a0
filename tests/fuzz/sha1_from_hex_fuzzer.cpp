// Any bytes as a manifest's digest text: Sha1FromHex throws only std::invalid_argument, and what
// it accepts formats back to the same digits in lower case.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "integrity/sha1_digest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring lower;
    for (std::size_t i = 0; i < size; ++i) {
        lower.push_back(static_cast<wchar_t>(std::tolower(data[i])));
    }
    try {
        const auto digest = quillguard::Sha1FromHex({reinterpret_cast<const char*>(data), size});
        if (quillguard::Sha1ToHex(digest) != lower) {
            std::abort();
        }
    } catch (const std::invalid_argument&) {
        // Refused: what the parser is for.
    }
    return 0;
}
