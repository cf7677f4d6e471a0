// Writes small valid images into the fuzzers' corpus folders, so that fuzzing starts past the
// headers instead of spending its time finding "MZ" and "PE" by chance.
//
//   qg_fuzz_seeds CORPUS_ROOT
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/pe_image_builder.h"

namespace {

using quillguard::testing::PeImageBuilder;

void Write(const std::filesystem::path& folder, const std::string& name,
           const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const PeImageBuilder::Section code{".text", PeImageBuilder::kCode,
                                       std::vector<std::uint8_t>(64, 0xC3)};
    const PeImageBuilder::Section data{".data", PeImageBuilder::kInitializedData,
                                       std::vector<std::uint8_t>(32, 1)};

    const auto targets = root / "client_target_fuzzer";
    Write(targets, "x64.exe",
          PeImageBuilder().addSection(code).importLibraries({"QGClient.dll"}).Build());
    Write(targets, "x86.exe",
          PeImageBuilder().x86().addSection(code).importLibraries({"qgclient.DLL"}).Build());
    Write(targets, "two.exe",
          PeImageBuilder()
              .addSection(code)
              .importLibraries({"QGClient.dll", "KERNEL32.dll"})
              .Build());

    const auto sections = root / "hash_code_section_fuzzer";
    Write(sections, "text.exe", PeImageBuilder().addSection(data).addSection(code).Build());
    Write(sections, "code-bit.exe",
          PeImageBuilder()
              .addSection(data)
              .addSection({"CODE", PeImageBuilder::kCode, {1, 2}})
              .Build());
    return 0;
}
