#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "publish/tree_files.h"

namespace quillguard::publish {

// Who may read a file that WriteNewFile makes.
enum class Readers { kEveryone, kOwnerOnly };

// Creates path with bytes; refuses, without touching it, when anything is already there. With
// kOwnerOnly the file is made readable and writable by its owner alone from the moment it exists:
// mode 0600 on Linux; on Windows a protected DACL that grants the current user full access and
// nobody else anything. A file that cannot be written completely is removed.
std::optional<FileProblem> WriteNewFile(const std::filesystem::path& path, std::string_view bytes,
                                        Readers readers);

}  // namespace quillguard::publish
