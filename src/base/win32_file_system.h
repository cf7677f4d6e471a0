#pragma once

#include "base/file_system.h"

namespace quillguard {

// Files and folders through Win32.
class Win32FileSystem final : public FileSystem {
  public:
    std::uint32_t ReadFileAttributes(const std::wstring& path) override;
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) override;
    bool CreateTemporaryFile(const std::wstring& folder, const std::wstring& prefix,
                             std::wstring& path, std::uint32_t& error) override;
    bool CopyOver(const std::wstring& from, const std::wstring& to) override;
    bool FlushToDisk(const std::wstring& path, std::uint32_t& error) override;
    bool MoveReplacing(const std::wstring& from, const std::wstring& to,
                       std::uint32_t& error) override;
    using FileSystem::RemoveFile;
    bool RemoveFile(const std::wstring& path, std::uint32_t& error) override;
};

}  // namespace quillguard
