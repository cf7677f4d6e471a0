#include "base/win32_file_system.h"

#include <windows.h>

#include <cwchar>
#include <utility>

#include "base/unique_handle.h"

namespace quillguard {

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

bool Win32FileSystem::GetTemporaryFolder(std::wstring& folder) {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = ::GetTempPathW(MAX_PATH, path.data());
    // A longer result reports a path that did not fit the buffer: as unusable as none.
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    path.resize(length);
    folder = std::move(path);
    return true;
}

bool Win32FileSystem::CreateTemporaryFile(const std::wstring& folder, const std::wstring& prefix,
                                          std::wstring& path) {
    std::wstring name(MAX_PATH, L'\0');
    // Unique number 0: the system picks a free name and creates the file, so no other run can
    // take the same one.
    if (::GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, name.data()) == 0) {
        return false;
    }
    name.resize(std::wcslen(name.c_str()));
    path = std::move(name);
    return true;
}

bool Win32FileSystem::MoveReplacing(const std::wstring& from, const std::wstring& to) {
    // One rename in the same folder: a reader sees the old file or the new one, never a mix, and
    // WRITE_THROUGH returns only once the rename is on disk.
    return ::MoveFileExW(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void Win32FileSystem::RemoveFile(const std::wstring& path) {
    ::DeleteFileW(path.c_str());
}

}  // namespace quillguard
