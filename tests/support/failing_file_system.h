#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "base/win32_file_system.h"

namespace quillguard::testing {

// The real file system (Windows paths, Windows' own file calls), with the calls that a disk
// cannot be made to fail failing on demand.
class FailingFileSystem final : public FileSystem {
  public:
    std::uint32_t temporaryError = 0;  // creating a temporary file fails with it
    bool failCopy = false;
    bool corruptCopy = false;      // the copy gets one byte more
    std::uint32_t flushError = 0;  // the flush fails with it
    // The error a move fails with before it is tried, or 0 to try it.
    std::function<std::uint32_t(const std::wstring& from, const std::wstring& to)> moveError;
    // The error a removal fails with before it is tried, or 0 to try it.
    std::function<std::uint32_t(const std::wstring& path)> removeError;

    std::uint32_t ReadFileAttributes(const std::wstring& path) override {
        return real_.ReadFileAttributes(path);
    }
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) override {
        return real_.ListFolder(folder, entries);
    }
    bool CreateTemporaryFile(const std::wstring& folder, const std::wstring& prefix,
                             std::wstring& path, std::uint32_t& error) override {
        error = temporaryError;
        return error == 0 && real_.CreateTemporaryFile(folder, prefix, path, error);
    }
    bool CopyOver(const std::wstring& from, const std::wstring& to) override {
        if (failCopy || !real_.CopyOver(from, to)) {
            return false;
        }
        if (corruptCopy) {
            const UniqueFileHandle file(
                ::CreateFileW(to.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            DWORD written = 0;
            ::WriteFile(file.get(), "!", 1, &written, nullptr);
        }
        return true;
    }
    bool FlushToDisk(const std::wstring& path, std::uint32_t& error) override {
        error = flushError;
        return error == 0 && real_.FlushToDisk(path, error);
    }
    bool MoveReplacing(const std::wstring& from, const std::wstring& to,
                       std::uint32_t& error) override {
        error = moveError ? moveError(from, to) : 0;
        return error == 0 && real_.MoveReplacing(from, to, error);
    }
    using FileSystem::RemoveFile;
    bool RemoveFile(const std::wstring& path, std::uint32_t& error) override {
        error = removeError ? removeError(path) : 0;
        return error == 0 && real_.RemoveFile(path, error);
    }

  private:
    Win32FileSystem real_;
};

}  // namespace quillguard::testing
