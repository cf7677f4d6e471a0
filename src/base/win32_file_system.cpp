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

bool Win32FileSystem::CopyOver(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32FileSystem::FlushToDisk(const std::wstring& path) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::FlushFileBuffers(file.get()) != 0;
}

bool Win32FileSystem::MoveReplacing(const std::wstring& from, const std::wstring& to,
                                    std::uint32_t& error) {
    // One rename in the same folder: a reader sees the old file or the new one, never a mix, and
    // WRITE_THROUGH returns only once the rename is on disk.
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

bool Win32FileSystem::RemoveFile(const std::wstring& path) {
    if (::DeleteFileW(path.c_str()) != 0) {
        return true;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace quillguard
