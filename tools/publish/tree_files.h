#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillguard::publish {

// A path as UTF-8, whatever the platform's native encoding, for messages.
std::string Printable(const std::filesystem::path& path);

// A failed file operation: what was being done to which file, and the system's reason.
struct FileProblem {
    std::filesystem::path path;
    std::string text;
};

// Puts bytes at path in one step: they are written under a temporary name in the same folder,
// then renamed over path, so a reader finds the old content or the new, never a part. Creates
// the folders on the way. The temporary file is removed when anything fails.
std::optional<FileProblem> WriteReplacing(const std::filesystem::path& path,
                                          std::string_view bytes);

// Copies source to a temporary name beside target and hands that copy to the caller, who checks
// it and then moves it over target with MoveReplacing, or drops it with Remove.
std::optional<FileProblem> CopyToTemporary(const std::filesystem::path& source,
                                           const std::filesystem::path& target,
                                           std::filesystem::path& temporary);

// Renames from over to in one step.
std::optional<FileProblem> MoveReplacing(const std::filesystem::path& from,
                                         const std::filesystem::path& to);

// Removes a file, reporting nothing: used to clean up after a failure already reported.
void Remove(const std::filesystem::path& path);

// The bytes of a file of at most limit bytes: nothing when it cannot be read; more than limit
// bytes give the first limit + 1, so that the caller can tell the file is too long.
std::optional<std::string> ReadUpTo(const std::filesystem::path& path, std::size_t limit);

}  // namespace quillguard::publish
