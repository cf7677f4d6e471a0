// Any bytes as a file for the PE reader QG_FUZZ_READER names (IsClientTarget or HashCodeSection):
// it must never crash, read out of bounds or throw.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/client_target.h"
#include "integrity/file_hashing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A file of this process's own: the fuzzers run side by side.
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("qg-fuzz-" + std::to_string(::getpid()) + ".bin");
    if (std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size))) {
        QG_FUZZ_READER(path);
    }
    return 0;
}
