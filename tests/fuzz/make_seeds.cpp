// Writes small valid images into the fuzzers' corpus folders, so that fuzzing starts past the
// headers instead of spending its time finding "MZ" and "PE" by chance.
//
//   qg_fuzz_seeds CORPUS_ROOT
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "support/pe_image_builder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    using quillguard::testing::PeImageBuilder;
    const PeImageBuilder::Section code{".text", PeImageBuilder::kCode,
                                       std::vector<std::uint8_t>(64, 0xC3)};
    const PeImageBuilder::Section data{".data", PeImageBuilder::kInitializedData,
                                       std::vector<std::uint8_t>(32, 1)};
    const std::pair<const char*, std::vector<std::uint8_t>> seeds[] = {
        {"client_target_fuzzer/x64.exe",
         PeImageBuilder().addSection(code).importLibraries({"QGClient.dll"}).Build()},
        {"client_target_fuzzer/x86.exe",
         PeImageBuilder().x86().addSection(code).importLibraries({"qgclient.DLL"}).Build()},
        {"client_target_fuzzer/two.exe", PeImageBuilder()
                                             .addSection(code)
                                             .importLibraries({"QGClient.dll", "KERNEL32.dll"})
                                             .Build()},
        {"hash_code_section_fuzzer/text.exe",
         PeImageBuilder().addSection(data).addSection(code).Build()},
        {"hash_code_section_fuzzer/code-bit.exe",
         PeImageBuilder()
             .addSection(data)
             .addSection({"CODE", PeImageBuilder::kCode, {1, 2}})
             .Build()},
    };
    for (const auto& [name, bytes] : seeds) {
        const std::filesystem::path path = std::filesystem::path(argv[1]) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    return 0;
}
