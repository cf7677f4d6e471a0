#pragma once

#include <filesystem>

#include "base/product_names.h"
#include "base/readable_file.h"

namespace quillguard {

// True when the file is an x86 or x64 PE image whose import directory names exactly one library,
// the client library, in any letter case. Any failure (cannot open, not PE, another machine,
// other imports, short reads) gives false. Reads only a few headers, never the whole file.
bool IsClientTarget(const std::filesystem::path& path);

// The same test on a file already open, read from its start.
bool IsClientTargetFile(ReadableFile& file);

}  // namespace quillguard
