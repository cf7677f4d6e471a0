// Any bytes as a manifest's digest text: Sha1FromHex throws only std::invalid_argument, and what
// it accepts formats back to the same digits in lower case.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "integrity/sha1_digest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    quillguard::Sha1Digest digest;
    try {
        digest = quillguard::Sha1FromHex(text);
    } catch (const std::invalid_argument&) {
        return 0;
    }
    const std::wstring hex = quillguard::Sha1ToHex(digest);
    if (text.size() != 40 || hex.size() != 40) {
        std::abort();
    }
    for (std::size_t i = 0; i < 40; ++i) {
        if (static_cast<wchar_t>(std::tolower(static_cast<unsigned char>(text[i]))) != hex[i]) {
            std::abort();
        }
    }
    return 0;
}
