// qg_fuzz_seeds CORPUS_ROOT: writes a small valid image into the PE fuzzers' corpus folders, so
// that fuzzing starts past the headers instead of spending its time finding "MZ" and "PE", and a
// signed manifest into the manifest fuzzer's, so that it starts past every member check.
#include <filesystem>
#include <fstream>
#include <string>

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
    std::ofstream(std::filesystem::path(argv[1]) / "manifest_fuzzer" / "seed.json")
        << R"({"server":"https://h","path":"/launcher/manifest.json",)"
        << R"("sha1":"a9993e364706816aba3e25717850c26c9cd0d89d",)"
        << R"("sha256":"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",)"
        << R"("size":3,"version":1,"url":"https://h/x","expires":"2027-01-31T00:00:00Z",)"
        << R"("signature":")" << std::string(86, 'A') << R"(=="})";
    return 0;
}
