// Any bytes as an image's version resource: ParseVersionInfo reads only within them, and what it
// accepts from a block it also accepts from that block with more bytes behind it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "publish/version_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size, so that AddressSanitizer sees any read past its end.
    const std::vector<std::uint8_t> block(data, data + size);
    const auto strings = quillguard::publish::ParseVersionInfo(block);
    if (strings) {
        std::vector<std::uint8_t> longer = block;
        longer.resize(size + 8, 0xFF);
        if (quillguard::publish::ParseVersionInfo(longer) != strings) {
            std::abort();
        }
    }
    return 0;
}
