#pragma once

#include <string>

#include "base/file_system.h"

namespace quillguard {

// A run killed in the middle of an update leaves its temporary files, "<prefix><hex>.tmp"; the
// next run removes those in the folder that it can, and never touches another name.
void RemoveDownloadLeftovers(const std::wstring& folder, const std::wstring& prefix,
                             FileSystem& files);

}  // namespace quillguard
