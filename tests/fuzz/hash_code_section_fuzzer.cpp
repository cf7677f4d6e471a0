// Any bytes as a file for HashCodeSection: it must never crash, read out of bounds or throw.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "integrity/file_hashing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("qg-fuzz-" + std::to_string(::getpid()) + ".exe");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    quillguard::HashCodeSection(path);
    return 0;
}
