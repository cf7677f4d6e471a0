#pragma once

#include <string>
#include <vector>

#include "base/win32_file_system.h"

namespace quillguard::testing {

// The real file system (Windows paths, Windows' own file calls), with the calls that a disk
// cannot be made to fail failing on demand.
class FailingFileSystem final : public FileSystem {
  public:
    bool failTemporaryFolder = false;
    bool failTemporary = false;
    std::wstring unwritableFolder;  // no temporary file can be made in it

    std::uint32_t ReadFileAttributes(const std::wstring& path) override {
        return real_.ReadFileAttributes(path);
    }
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) override {
        return real_.ListFolder(folder, entries);
    }
    bool GetTemporaryFolder(std::wstring& folder) override {
        return !failTemporaryFolder && real_.GetTemporaryFolder(folder);
    }
    bool CreateTemporaryFile(const std::wstring& folder, const std::wstring& prefix,
                             std::wstring& path) override {
        return !failTemporary && folder != unwritableFolder &&
               real_.CreateTemporaryFile(folder, prefix, path);
    }
    bool MoveReplacing(const std::wstring& from, const std::wstring& to) override {
        return real_.MoveReplacing(from, to);
    }
    void RemoveFile(const std::wstring& path) override { real_.RemoveFile(path); }

  private:
    Win32FileSystem real_;
};

}  // namespace quillguard::testing
