// Prints what the search for the client target costs on a game folder of 20,000 files: files
// opened, bytes read and time, beside a plain listing of the same tree. Figures, not a test.
//
//   qg_client_target_walk_benchmark [SCRATCH_FOLDER]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "game/client_target.h"
#include "game/target_resolution.h"
#include "support/pe_image_builder.h"

namespace {

using quillguard::FolderEntry;
using quillguard::kFileAttributeDirectory;

constexpr int kFiles = 20000;        // in 40 folders of 5 subfolders of 100 files
constexpr int kCandidateEvery = 64;  // about 300 of them are ".exe" or ".dll"

// The walk joins names with backslashes, as on Windows.
std::filesystem::path Native(std::wstring path) {
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return std::filesystem::path(path);
}

// The folder walk on Linux: names in sorted order, so that the client target is found last.
class PosixFiles final : public quillguard::FileSystem {
  public:
    // The search only lists folders.
    std::uint32_t ReadFileAttributes(const std::wstring&) override {
        return quillguard::kInvalidFileAttributes;
    }
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) override {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(Native(folder), error)) {
            entries.push_back({entry.path().filename().wstring(),
                               entry.is_directory() ? kFileAttributeDirectory : 0u});
        }
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        return !error;
    }
    // The walk writes nothing.
    bool CreateTemporaryFile(const std::wstring&, const std::wstring&, std::wstring&,
                             std::uint32_t&) override {
        return false;
    }
    bool CopyOver(const std::wstring&, const std::wstring&) override { return false; }
    bool FlushToDisk(const std::wstring&, std::uint32_t&) override { return false; }
    bool MoveReplacing(const std::wstring&, const std::wstring&, std::uint32_t&) override {
        return false;
    }
    bool RemoveFile(const std::wstring&, std::uint32_t&) override { return true; }
};

// What the kernel counted of this process's reads: "rchar:" bytes and "syscr:" calls among them.
std::map<std::string, unsigned long> ReadProcessIo() {
    std::ifstream io("/proc/self/io");
    std::map<std::string, unsigned long> counts;
    std::string key;
    unsigned long value = 0;
    while (io >> key >> value) {
        counts[key] = value;
    }
    return counts;
}

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Half the candidates are images importing another library, half are not images at all; the
// client target sits in the folder listed last.
int MakeTree(const std::filesystem::path& root) {
    const auto image = [](const char* library) {
        return quillguard::testing::Importing({library})
            .addSection({".text", quillguard::testing::PeImageBuilder::kCode,
                         std::vector<std::uint8_t>(512, 0xC3)})
            .Build();
    };
    const auto otherImage = image("KERNEL32.dll");
    int candidates = 0;
    for (int n = 0; n < kFiles; ++n) {
        const auto folder =
            root / ("f" + std::to_string(n / 500)) / ("s" + std::to_string(n / 100 % 5));
        const std::string name = "file" + std::to_string(n % 100);
        if (n % kCandidateEvery != 0) {
            Write(folder / (name + ".dat"), std::vector<std::uint8_t>(4096, 'x'));
        } else if (++candidates % 2 == 1) {
            Write(folder / (name + ".exe"), otherImage);
        } else {
            Write(folder / (name + ".dll"), std::vector<std::uint8_t>(8192, 0x4D));
        }
    }
    Write(root / "zz" / "zz.exe", image("QGClient.dll"));
    return candidates + 1;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const auto root =
        (argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path()) /
        "qg-walk-benchmark";
    std::filesystem::remove_all(root);
    const int candidates = MakeTree(root);

    PosixFiles files;
    std::wstring found;
    auto start = std::chrono::steady_clock::now();
    quillguard::FindClientTarget(
        root.wstring(), files, [](const std::wstring&) { return false; }, found);
    const double listing = SecondsSince(start);

    std::size_t opened = 0;
    const quillguard::ClientTargetTest inspect = [&opened](const std::wstring& path) {
        ++opened;
        return quillguard::IsClientTarget(Native(path));
    };
    auto before = ReadProcessIo();
    start = std::chrono::steady_clock::now();
    const bool hit = quillguard::FindClientTarget(root.wstring(), files, inspect, found);
    const double walk = SecondsSince(start);
    auto after = ReadProcessIo();

    // The most one inspection may read: the headers, one section header (these images have one or
    // two), two import descriptors and the library name.
    const unsigned long perFileBound = 64 + 4 + 20 + 240 + 40 * 2 + 20 + 255 + 20;
    const unsigned long bytes = after["rchar:"] - before["rchar:"];
    const unsigned long reads = after["syscr:"] - before["syscr:"];
    const double perFile = 1.0 / static_cast<double>(opened);
    std::printf(
        "tree: %d files in %d folders, %d candidates, the client target last\n"
        "found: %s\n"
        "files opened:       %zu\n"
        "bytes read:         %lu (%.1f a file; at most %lu allowed)\n"
        "read calls:         %lu (%.1f a file; at most 8 allowed)\n"
        "plain listing:      %.3f s\n"
        "search with reads:  %.3f s (%.2f x the listing)\n",
        kFiles + 1, kFiles / 100 + kFiles / 500 + 1, candidates,
        hit ? Native(found).c_str() : "nothing", opened, bytes,
        static_cast<double>(bytes) * perFile, perFileBound, reads,
        static_cast<double>(reads) * perFile, listing, walk, walk / listing);
    std::filesystem::remove_all(root);
    return hit ? 0 : 1;
}
