// Prints what the search for the client target costs on a game folder of 20,000 files: files
// opened, bytes read and time, beside a plain listing of the same tree. Figures, not a test.
//
//   qg_client_target_walk_benchmark [SCRATCH_FOLDER]
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/client_target.h"
#include "game/target_resolution.h"
#include "support/pe_image_builder.h"

namespace {

using quillguard::FolderEntry;
using quillguard::testing::PeImageBuilder;

constexpr int kFolders = 40;
constexpr int kSubfolders = 5;
constexpr int kFilesPerSubfolder = 100;  // 40 * 5 * 100 = 20,000 files
constexpr int kCandidateEvery = 64;      // about 300 of them are ".exe", ".dll" or ".bin"

// The walk joins names with backslashes, as on Windows.
std::filesystem::path Native(std::wstring path) {
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return std::filesystem::path(path);
}

// The folder walk on Linux: names in sorted order, so that the client target is found last.
class PosixFiles final : public quillguard::FileSystem {
  public:
    std::uint32_t ReadFileAttributes(const std::wstring& path) override {
        std::error_code error;
        const auto status = std::filesystem::status(Native(path), error);
        return error                                   ? quillguard::kInvalidFileAttributes
               : std::filesystem::is_directory(status) ? quillguard::kFileAttributeDirectory
                                                       : 0u;
    }
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) override {
        DIR* listing = ::opendir(Native(folder).c_str());
        if (listing == nullptr) {
            return false;
        }
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            entries.push_back({std::wstring(name.begin(), name.end()),
                               entry->d_type == DT_DIR ? quillguard::kFileAttributeDirectory : 0u});
        }
        ::closedir(listing);
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        return true;
    }
    // The walk writes nothing.
    bool CreateTemporaryFile(const std::wstring&, const std::wstring&, std::wstring&) override {
        return false;
    }
    bool MoveReplacing(const std::wstring&, const std::wstring&) override { return false; }
    void RemoveFile(const std::wstring&) override {}
};

struct ProcessIo {
    std::uint64_t bytesRead = 0;
    std::uint64_t readCalls = 0;
};

// What the kernel counted of this process's read calls.
ProcessIo ReadProcessIo() {
    std::ifstream io("/proc/self/io");
    ProcessIo counts;
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            counts.bytesRead = value;
        } else if (key == "syscr:") {
            counts.readCalls = value;
        }
    }
    return counts;
}

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::size_t MakeTree(const std::filesystem::path& root) {
    const std::vector<std::uint8_t> text(4096, 'x');
    const PeImageBuilder::Section code{".text", PeImageBuilder::kCode,
                                       std::vector<std::uint8_t>(512, 0xC3)};
    const auto otherImage =
        PeImageBuilder().addSection(code).importLibraries({"KERNEL32.dll"}).Build();
    const std::vector<std::uint8_t> notAnImage(8192, 0x4D);
    std::size_t candidates = 0;
    int counter = 0;
    for (int f = 0; f < kFolders; ++f) {
        for (int s = 0; s < kSubfolders; ++s) {
            const auto folder = root / ("f" + std::to_string(f)) / ("s" + std::to_string(s));
            std::filesystem::create_directories(folder);
            for (int n = 0; n < kFilesPerSubfolder; ++n, ++counter) {
                const std::string name = "file" + std::to_string(n);
                if (counter % kCandidateEvery == 0) {
                    ++candidates;
                    const bool image = counter % (2 * kCandidateEvery) == 0;
                    Write(folder / (name + (image ? ".exe" : ".dll")),
                          image ? otherImage : notAnImage);
                } else {
                    Write(folder / (name + ".dat"), text);
                }
            }
        }
    }
    std::filesystem::create_directories(root / "zz");
    Write(root / "zz" / "zz.exe",
          PeImageBuilder().addSection(code).importLibraries({"QGClient.dll"}).Build());
    return candidates + 1;
}

double Seconds(const std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path scratch =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const auto root = scratch / "qg-walk-benchmark";
    std::filesystem::remove_all(root);
    const std::size_t candidates = MakeTree(root);
    const std::wstring rootText = root.wstring();

    PosixFiles files;
    std::wstring found;
    auto start = std::chrono::steady_clock::now();
    quillguard::FindClientTarget(
        rootText, files, [](const std::wstring&) { return false; }, found);
    const double listing = Seconds(start);

    std::size_t opened = 0;
    const quillguard::ClientTargetTest inspect = [&opened](const std::wstring& path) {
        ++opened;
        return quillguard::IsClientTarget(Native(path));
    };
    const ProcessIo before = ReadProcessIo();
    start = std::chrono::steady_clock::now();
    const bool hit = quillguard::FindClientTarget(rootText, files, inspect, found);
    const double walk = Seconds(start);
    const ProcessIo after = ReadProcessIo();

    // The most one inspection may read: the headers, one section header (these images have one or
    // two), two import descriptors and the library name.
    const std::uint64_t perFileBound = 64 + 4 + 20 + 240 + 40 * 2 + 20 + 255 + 20;
    const std::uint64_t bytes = after.bytesRead - before.bytesRead;
    const std::uint64_t reads = after.readCalls - before.readCalls;
    std::printf("tree: %d files in %d folders, %zu candidates, the client target last\n",
                kFolders * kSubfolders * kFilesPerSubfolder + 1, kFolders * (kSubfolders + 1) + 1,
                candidates);
    std::printf("found: %s\n", hit ? Native(found).c_str() : "nothing");
    std::printf("files opened:       %zu\n", opened);
    std::printf("bytes read:         %llu (%.1f a file; at most %llu allowed)\n",
                static_cast<unsigned long long>(bytes),
                static_cast<double>(bytes) / static_cast<double>(opened),
                static_cast<unsigned long long>(perFileBound));
    std::printf("read calls:         %llu (%.1f a file; at most 8 allowed)\n",
                static_cast<unsigned long long>(reads),
                static_cast<double>(reads) / static_cast<double>(opened));
    std::printf("plain listing:      %.3f s\n", listing);
    std::printf("search with reads:  %.3f s (%.2f x the listing)\n", walk, walk / listing);
    std::filesystem::remove_all(root);
    return hit ? 0 : 1;
}
