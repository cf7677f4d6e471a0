#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace quillguard::fuzzing {

// Writes a fuzzer's input to a file of this process's own, for code that reads files; nothing
// when the file cannot be written.
inline std::filesystem::path WriteInputFile(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("qg-fuzz-" + std::to_string(::getpid()) + ".bin");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return {};
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written ? path : std::filesystem::path();
}

}  // namespace quillguard::fuzzing
