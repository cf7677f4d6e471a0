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
constexpr int kRepeats = 3;

double BestSeconds(const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

double MiBPerSecond(std::size_t bytes, double seconds) {
    return static_cast<double>(bytes) / static_cast<double>(kMiB) / seconds;
}

void Row(const char* name, std::size_t bytes, double seconds, double reference) {
    std::printf("  %-34s %8.3f s %9.1f MiB/s %7.2f x\n", name, seconds,
                MiBPerSecond(bytes, seconds), reference / seconds);
}

double TimeEngine(quillguard::Sha1CompressFunction compress,
                  const std::vector<std::uint8_t>& data) {
    return BestSeconds([&] {
        quillguard::Sha1 sha1(compress);
        // The chunk size HashFile feeds the engine with.
        for (std::size_t offset = 0; offset < data.size(); offset += quillguard::kHashChunkSize) {
            sha1.Update(data.data() + offset, quillguard::kHashChunkSize);
        }
        volatile auto sink = sha1.Final().bytes[0];
        (void)sink;
    });
}

double TimeOpenSsl(const std::vector<std::uint8_t>& data) {
    return BestSeconds([&] {
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestInit_ex(context, EVP_sha1(), nullptr);
        for (std::size_t offset = 0; offset < data.size(); offset += quillguard::kHashChunkSize) {
            EVP_DigestUpdate(context, data.data() + offset, quillguard::kHashChunkSize);
        }
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        EVP_DigestFinal_ex(context, digest, &size);
        EVP_MD_CTX_free(context);
    });
}

double TimeCommand(const std::string& command) {
    return BestSeconds([&] {
        if (std::system((command + " >/dev/null").c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
    });
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& data,
               std::size_t total) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t written = 0; written < total; written += data.size()) {
        out.write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(std::min(data.size(), total - written)));
    }
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

void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}

int main(int argc, char** argv) {
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    std::vector<std::uint8_t> data(256 * kMiB);
    std::mt19937_64 random(1);
    for (std::size_t i = 0; i < data.size(); i += 8) {
        const std::uint64_t value = random();
        std::copy_n(reinterpret_cast<const std::uint8_t*>(&value), 8,
                    data.begin() + static_cast<long>(i));
    }

    std::printf("SHA-1 of 256 MiB in memory, in 64 KiB updates (best of %d):\n", kRepeats);
    const double openssl = TimeOpenSsl(data);
    Row("OpenSSL EVP_sha1", data.size(), openssl, openssl);
    Row("engine, dispatched", data.size(), TimeEngine(quillguard::SelectedSha1Compress(), data),
        openssl);
    const double portable = TimeEngine(&quillguard::Sha1CompressPortable, data);
    Row("engine, portable", data.size(), portable, openssl);
#ifdef QG_SHA1_X86_EXTENSIONS
    if (quillguard::Sha1ShaExtensionsAvailable()) {
        Row("engine, SHA extensions", data.size(),
            TimeEngine(&quillguard::Sha1CompressShaExtensions, data), openssl);
    } else {
        std::printf("  engine, SHA extensions: not on this processor\n");
    }
#endif

    const std::filesystem::path small = folder / "qg-bench-256m.bin";
    WriteFile(small, data, data.size());
    std::printf("\nThe same 256 MiB as a file in the page cache (ratios against sha1sum):\n");
    const double sha1sum = TimeCommand("sha1sum '" + small.string() + "'");
    Row("coreutils sha1sum", data.size(), sha1sum, sha1sum);
    Row("engine, portable (in memory)", data.size(), portable, sha1sum);
    std::filesystem::remove(small);

    const std::filesystem::path large = folder / "qg-bench-1g.bin";
    const std::size_t largeSize = 1024 * kMiB;
    WriteFile(large, data, largeSize);
    std::printf("\nA 1 GiB file in the page cache (ratios against openssl dgst -sha1):\n");
    const double dgst = TimeCommand("openssl dgst -sha1 '" + large.string() + "'");
    Row("openssl dgst -sha1", largeSize, dgst, dgst);
    data = {};
    data.shrink_to_fit();
    const std::size_t before = liveBytes;
    peakBytes = before;
    const double hashFile = BestSeconds([&] { quillguard::HashFile(large); });
    Row("HashFile", largeSize, hashFile, dgst);
    std::printf("  HashFile time / openssl dgst time: %.3f (target at most 1.1)\n",
                hashFile / dgst);
    std::printf("  HashFile peak heap: %zu bytes (one %zu-byte buffer)\n", peakBytes - before,
                quillguard::kHashChunkSize);
    std::filesystem::remove(large);
    return 0;
}
