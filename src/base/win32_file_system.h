#pragma once

#include "base/file_system.h"

namespace quillguard {

// Files and folders through Win32.
class Win32FileSystem final : public FileSystem {
  public:
    std::uint32_t ReadFileAttributes(const std::wstring& path) override;
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) override;
};

}  // namespace quillguard
