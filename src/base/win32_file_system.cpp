#include "base/win32_file_system.h"

#include <windows.h>

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

}  // namespace quillguard
