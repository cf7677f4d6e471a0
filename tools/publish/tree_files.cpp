#include "publish/tree_files.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <random>
#include <system_error>

#include "base/hex.h"

namespace quillguard::publish {
namespace {

// A name beside path that no other writer picks: hidden, and never the name of a build or a
// manifest, so a temporary file left by a crash is never served under a name a launcher asks for.
std::filesystem::path TemporaryBeside(const std::filesystem::path& path) {
    static std::mt19937_64 generator(std::random_device{}());
    std::array<std::uint8_t, 8> random;
    for (std::uint8_t& byte : random) {
        byte = static_cast<std::uint8_t>(generator());
    }
    std::filesystem::path name = ".";
    name += path.filename();
    name += "." + HexOf(random) + ".tmp";
    return path.parent_path() / name;
}

// The reason for the failure just seen on a stream, from errno when the library set it.
std::string StreamFailure(std::string_view what) {
    const int error = errno;
    return std::string(what) + (error != 0 ? ": " + std::generic_category().message(error) : "");
}

std::optional<FileProblem> MakeParent(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) {
        return FileProblem{path.parent_path(), "cannot create the folder: " + error.message()};
    }
    return std::nullopt;
}

}  // namespace

std::string Printable(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::optional<FileProblem> WriteReplacing(const std::filesystem::path& path,
                                          std::string_view bytes) {
    if (auto problem = MakeParent(path)) {
        return problem;
    }
    const std::filesystem::path temporary = TemporaryBeside(path);
    errno = 0;
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) {
        return FileProblem{temporary, StreamFailure("cannot create")};
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        const std::string reason = StreamFailure("cannot write");
        Remove(temporary);
        return FileProblem{temporary, reason};
    }
    return MoveReplacing(temporary, path);
}

std::optional<FileProblem> CopyToTemporary(const std::filesystem::path& source,
                                           const std::filesystem::path& target,
                                           std::filesystem::path& temporary) {
    if (auto problem = MakeParent(target)) {
        return problem;
    }
    temporary = TemporaryBeside(target);
    std::error_code error;
    std::filesystem::copy_file(source, temporary, error);
    if (error) {
        Remove(temporary);
        return FileProblem{temporary, "cannot copy " + Printable(source) + ": " + error.message()};
    }
    return std::nullopt;
}

std::optional<FileProblem> MoveReplacing(const std::filesystem::path& from,
                                         const std::filesystem::path& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) {
        Remove(from);
        return FileProblem{to, "cannot replace: " + error.message()};
    }
    return std::nullopt;
}

void Remove(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

std::optional<std::string> ReadUpTo(const std::filesystem::path& path, std::size_t limit) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string bytes(limit + 1, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

}  // namespace quillguard::publish
