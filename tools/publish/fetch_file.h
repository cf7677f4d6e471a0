#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillguard::publish {

// GETs an https url into target, created or replaced, following https redirects only. Nothing on
// success; otherwise why not, and target may hold part of the body.
std::optional<std::string> FetchFile(const std::string& url, const std::filesystem::path& target);

}  // namespace quillguard::publish
