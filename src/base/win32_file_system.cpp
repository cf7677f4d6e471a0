#include "base/win32_file_system.h"

#include <windows.h>

#include <cwchar>
#include <utility>

#include "base/unique_handle.h"

namespace quillguard {
namespace {

// Clears a file's read-only attribute, which an installer or read-only media may leave and which
// Windows' delete and replace refuse; true when there was one and it is gone.
bool ClearReadOnly(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) != 0;
}

}  // namespace

std::uint32_t Win32FileSystem::ReadFileAttributes(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str());
}

bool Win32FileSystem::ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    const std::wstring pattern =
        folder.empty() ? L"*" : folder + (folder.back() == L'\\' ? L"*" : L"\\*");
    WIN32_FIND_DATAW found;
    const UniqueFindHandle listing(::FindFirstFileW(pattern.c_str(), &found));
    if (!listing) {
        return false;
    }
    do {
        entries.push_back({found.cFileName, found.dwFileAttributes});
    } while (::FindNextFileW(listing.get(), &found));
    return true;
}

bool Win32FileSystem::CreateTemporaryFile(const std::wstring& folder, const std::wstring& prefix,
                                          std::wstring& path, std::uint32_t& error) {
    std::wstring name(MAX_PATH, L'\0');
    // Unique number 0: the system picks a free name and creates the file, so no other run can
    // take the same one.
    if (::GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, name.data()) == 0) {
        error = ::GetLastError();
        return false;
    }
    name.resize(std::wcslen(name.c_str()));
    path = std::move(name);
    return true;
}

bool Win32FileSystem::CopyOver(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32FileSystem::FlushToDisk(const std::wstring& path, std::uint32_t& error) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || ::FlushFileBuffers(file.get()) == 0) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

bool Win32FileSystem::MoveReplacing(const std::wstring& from, const std::wstring& to,
                                    std::uint32_t& error) {
    // One rename in the same folder: a reader sees the old file or the new one, never a mix, and
    // WRITE_THROUGH returns only once the rename is on disk.
    const auto move = [&] {
        return ::MoveFileExW(from.c_str(), to.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    };
    if (move()) {
        return true;
    }
    error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && ClearReadOnly(to)) {
        error = move() ? ERROR_SUCCESS : ::GetLastError();
    }
    return error == ERROR_SUCCESS;
}

bool Win32FileSystem::RemoveFile(const std::wstring& path, std::uint32_t& error) {
    const auto remove = [&] { return ::DeleteFileW(path.c_str()) != 0; };
    if (remove()) {
        return true;
    }
    error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && ClearReadOnly(path)) {
        error = remove() ? ERROR_SUCCESS : ::GetLastError();
    }
    if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return true;
    }
    // Windows refuses to delete the image of a running program with "access denied", as it
    // refuses a file this user may not delete at all; only the first opens for deletion.
    if (error == ERROR_ACCESS_DENIED &&
        UniqueFileHandle(::CreateFileW(path.c_str(), DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr))) {
        error = ERROR_SHARING_VIOLATION;
    }
    return false;
}

}  // namespace quillguard
