// qg_fuzz_seeds CORPUS_ROOT: writes a small valid image into the PE fuzzers' corpus folders, so
// that fuzzing starts past the headers instead of spending its time finding "MZ" and "PE".
#include <filesystem>
#include <fstream>

#include "support/pe_image_builder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    // A game importing the client library alone, with a code section: past every check of both.
    const auto seed = quillguard::testing::Importing({"QGClient.dll"})
                          .addSection({".text", quillguard::testing::PeImageBuilder::kCode, {0xC3}})
                          .Build();
    for (const char* fuzzer : {"client_target_fuzzer", "hash_code_section_fuzzer"}) {
        std::ofstream(std::filesystem::path(argv[1]) / fuzzer / "seed.exe", std::ios::binary)
            .write(reinterpret_cast<const char*>(seed.data()),
                   static_cast<std::streamsize>(seed.size()));
    }
    return 0;
}
