#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace quillguard::testing {

// The bytes of a file; nothing when it cannot be read.
inline std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::string content(file ? static_cast<std::size_t>(file.tellg()) : 0, '\0');
    if (!file.seekg(0) ||
        !file.read(content.data(), static_cast<std::streamsize>(content.size()))) {
        return std::nullopt;
    }
    return content;
}

// Bytes without a period that a reader's mistake could hide behind.
inline std::vector<std::uint8_t> Filled(std::size_t size) {
    std::mt19937 random(static_cast<std::uint32_t>(size));
    std::vector<std::uint8_t> bytes(size);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<std::uint8_t>(random()); });
    return bytes;
}

// A file with given bytes in the temporary folder, removed when the object goes away.
class ScratchFile {
  public:
    // bytes: a std::vector<std::uint8_t> (also from a braced list) or a std::string.
    template <typename Bytes = std::vector<std::uint8_t>>
    explicit ScratchFile(const Bytes& bytes) : path_(UniquePath()) {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // What the file holds now; nothing when it is gone or cannot be opened.
    std::optional<std::string> content() const { return ReadWholeFile(path_); }

    // A name in the temporary folder that no other test uses; nothing is created there.
    static std::filesystem::path UniquePath() {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::to_string(
            std::filesystem::file_time_type::clock::now().time_since_epoch().count());
        return std::filesystem::temp_directory_path() /
               ("qg-test-" + stamp + "-" + std::to_string(counter++) + ".bin");
    }

  private:
    std::filesystem::path path_;
};

}  // namespace quillguard::testing
