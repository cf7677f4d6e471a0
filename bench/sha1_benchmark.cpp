// Prints how fast the SHA-1 engine and HashFile are on this machine, beside OpenSSL and coreutils'
// sha1sum on the same data, and how much memory HashFile holds. Figures, not a test.
//
//   qg_sha1_benchmark [SCRATCH_FOLDER]
#include <openssl/evp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "integrity/file_hashing.h"
#include "integrity/sha1.h"
#include "integrity/sha1_compress.h"

namespace {

// Live and peak heap bytes, to show what HashFile holds while it runs.
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kChunk = quillguard::kHashChunkSize;  // what HashFile feeds the engine
constexpr int kRepeats = 3;

// Times work, best of kRepeats, and prints a row with its ratio to the reference row's time (0:
// this row is the reference); returns the time.
double Row(const char* name, std::size_t bytes, double reference,
           const std::function<void()>& work) {
    double seconds = 1e300;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        seconds = std::min(seconds, elapsed.count());
    }
    std::printf("  %-34s %8.3f s %9.1f MiB/s %7.2f x\n", name, seconds,
                static_cast<double>(bytes / kMiB) / seconds,
                (reference > 0 ? reference : seconds) / seconds);
    return seconds;
}

// Hashing the data in the chunks HashFile feeds the engine.
std::function<void()> Engine(quillguard::Sha1CompressFunction compress,
                             const std::vector<std::uint8_t>& data) {
    return [compress, &data] {
        quillguard::Sha1 sha1(compress);
        for (std::size_t offset = 0; offset < data.size(); offset += kChunk) {
            sha1.Update(data.data() + offset, kChunk);
        }
        volatile auto sink = sha1.Final().bytes[0];
        (void)sink;
    };
}

// Running a command on a file of the given size, made of the data repeated.
std::function<void()> Command(const char* command, const std::filesystem::path& file,
                              const std::vector<std::uint8_t>& data, std::size_t size) {
    std::ofstream out(file, std::ios::binary);
    for (std::size_t written = 0; written < size; written += data.size()) {
        out.write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(data.size()));
    }
    return [line = std::string(command) + " '" + file.string() + "' >/dev/null"] {
        if (std::system(line.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", line.c_str());
            std::exit(1);
        }
    };
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size + sizeof(std::max_align_t));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(block) = size;
    const std::size_t live = liveBytes += size;
    std::size_t peak = peakBytes;
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + sizeof(std::max_align_t);
}

void operator delete(void* pointer) noexcept {
    if (pointer != nullptr) {
        void* block = static_cast<char*>(pointer) - sizeof(std::max_align_t);
        liveBytes -= *static_cast<std::size_t*>(block);
        std::free(block);
    }
}

int main(int argc, char** argv) {
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    std::vector<std::uint8_t> data(256 * kMiB);
    std::generate(data.begin(), data.end(), [random = std::mt19937_64(1)]() mutable {
        return static_cast<std::uint8_t>(random());
    });

    const std::size_t size = data.size();
    std::printf("SHA-1 of 256 MiB in memory, in 64 KiB updates (best of %d):\n", kRepeats);
    const double openssl = Row("OpenSSL EVP_sha1", size, 0, [&] {
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestInit_ex(context, EVP_sha1(), nullptr);
        for (std::size_t offset = 0; offset < size; offset += kChunk) {
            EVP_DigestUpdate(context, data.data() + offset, kChunk);
        }
        unsigned char digest[EVP_MAX_MD_SIZE];
        EVP_DigestFinal_ex(context, digest, nullptr);
        EVP_MD_CTX_free(context);
    });
    Row("engine, dispatched", size, openssl, Engine(quillguard::SelectedSha1Compress(), data));
    Row("engine, portable", size, openssl, Engine(&quillguard::Sha1CompressPortable, data));
#ifdef QG_SHA1_X86_EXTENSIONS
    if (quillguard::Sha1ShaExtensionsAvailable()) {
        Row("engine, SHA extensions", size, openssl,
            Engine(&quillguard::Sha1CompressShaExtensions, data));
    } else {
        std::printf("  engine, SHA extensions: not on this processor\n");
    }
#endif

    std::printf("\nThe same 256 MiB as a file in the page cache (ratios against sha1sum):\n");
    const double sha1sum = Row("coreutils sha1sum", size, 0,
                               Command("sha1sum", folder / "qg-bench-256m.bin", data, size));
    std::filesystem::remove(folder / "qg-bench-256m.bin");
    Row("engine, portable (in memory)", size, sha1sum,
        Engine(&quillguard::Sha1CompressPortable, data));

    const std::filesystem::path large = folder / "qg-bench-1g.bin";
    std::printf("\nA 1 GiB file in the page cache (ratios against openssl dgst -sha1):\n");
    const double dgst = Row("openssl dgst -sha1", 1024 * kMiB, 0,
                            Command("openssl dgst -sha1", large, data, 1024 * kMiB));
    data = {};
    data.shrink_to_fit();
    const std::size_t before = liveBytes;
    peakBytes = before;
    const double hashFile =
        Row("HashFile", 1024 * kMiB, dgst, [&] { quillguard::HashFile(large); });
    std::printf("  HashFile time / openssl dgst time: %.3f (target at most 1.1)\n",
                hashFile / dgst);
    std::printf("  HashFile peak heap: %zu bytes (one %zu-byte buffer)\n", peakBytes - before,
                kChunk);
    std::filesystem::remove(large);
    return 0;
}
