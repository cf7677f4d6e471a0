// Any bytes as a file for HashCodeSection: it must never crash, read out of bounds or throw.
#include <cstddef>
#include <cstdint>

#include "fuzz_input_file.h"
#include "integrity/file_hashing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = quillguard::fuzzing::WriteInputFile(data, size);
    if (!path.empty()) {
        quillguard::HashCodeSection(path);
    }
    return 0;
}
