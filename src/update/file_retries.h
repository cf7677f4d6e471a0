#pragma once

#include <string>

#include "base/file_system.h"
#include "base/processes.h"

namespace quillguard {

// A virus scanner opens each new file as it appears and holds it for a moment. These steps try
// again while it does (a sharing or lock violation, or access denied while its handle closes),
// for about two seconds, then fail as the step itself fails.

// Moves a file over another in one step (FileSystem::MoveReplacing).
bool MoveRetrying(const std::wstring& from, const std::wstring& to, FileSystem& files,
                  Processes& processes);

// Returns once the file is on disk (FileSystem::FlushToDisk).
bool FlushRetrying(const std::wstring& path, FileSystem& files, Processes& processes);

}  // namespace quillguard
