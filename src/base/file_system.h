#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillguard {

inline constexpr std::uint32_t kFileAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorLockViolation = 33;

// One entry of a folder listing.
struct FolderEntry {
    std::wstring name;
    std::uint32_t attributes = 0;
};

// What the flows ask of files and folders; the launcher binds it to Win32, tests to a tree of
// their own.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The path's attributes; kInvalidFileAttributes when it is missing or inaccessible.
    virtual std::uint32_t ReadFileAttributes(const std::wstring& path) = 0;

    // The entries of a folder, "." and ".." included, in the order the system lists them;
    // false when the folder cannot be listed.
    virtual bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) = 0;

    // Creates an empty file with a new name in the folder: the prefix, a few hex digits, ".tmp".
    // False with the system error code when none can be made (access denied: this process may
    // not write there).
    virtual bool CreateTemporaryFile(const std::wstring& folder, const std::wstring& prefix,
                                     std::wstring& path, std::uint32_t& error) = 0;

    // Copies a file's bytes to another path, replacing what is there; false with the copy in any
    // state (the caller removes it).
    virtual bool CopyOver(const std::wstring& from, const std::wstring& to) = 0;

    // Returns once everything written to the file is on disk; false with the system error code
    // when it cannot say so (a sharing violation while a scanner holds the file).
    virtual bool FlushToDisk(const std::wstring& path, std::uint32_t& error) = 0;

    // Moves a file over another in one step, replacing it, and returns once the move is on disk;
    // false with the system error code leaves both as they were (for instance while the target
    // is loaded by a program, or while a scanner holds the file: a sharing violation). A
    // read-only target is replaced too.
    virtual bool MoveReplacing(const std::wstring& from, const std::wstring& to,
                               std::uint32_t& error) = 0;

    // Deletes a file, read-only or not; true when it is gone (a missing file included). False
    // with kErrorSharingViolation while it is in use (held open, or the image of a running
    // program), which passes; with another code when this process may not delete it at all.
    virtual bool RemoveFile(const std::wstring& path, std::uint32_t& error) = 0;
    // The same, for a caller to whom why does not matter.
    bool RemoveFile(const std::wstring& path) {
        std::uint32_t error = 0;
        return RemoveFile(path, error);
    }
};

}  // namespace quillguard
