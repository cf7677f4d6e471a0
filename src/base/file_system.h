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

    // The user's folder for temporary files, ending in a backslash; false when the system
    // cannot name one.
    virtual bool GetTemporaryFolder(std::wstring& folder) = 0;

    // Creates an empty file with a new name in the folder: the prefix, a few hex digits, ".tmp".
    // False when none can be made (the folder is missing or cannot be written).
    virtual bool CreateTemporaryFile(const std::wstring& folder, const std::wstring& prefix,
                                     std::wstring& path) = 0;

    // Copies a file's bytes to another path, replacing what is there; false with the copy in any
    // state (the caller removes it).
    virtual bool CopyOver(const std::wstring& from, const std::wstring& to) = 0;

    // Returns once everything written to the file is on disk; false when it cannot say so.
    virtual bool FlushToDisk(const std::wstring& path) = 0;

    // Moves a file over another in one step, replacing it, and returns once the move is on disk;
    // false with the system error code leaves both as they were (for instance while the target
    // is loaded by a program, or while a scanner holds the file: a sharing violation).
    virtual bool MoveReplacing(const std::wstring& from, const std::wstring& to,
                               std::uint32_t& error) = 0;

    // Deletes a file; true when it is gone (a missing file included), false while it cannot be
    // deleted (held open, or the image of a running program).
    virtual bool RemoveFile(const std::wstring& path) = 0;
};

}  // namespace quillguard
