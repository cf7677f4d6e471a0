#include "update/download_leftovers.h"

#include <string_view>
#include <vector>

namespace quillguard {

void RemoveDownloadLeftovers(const std::wstring& folder, const std::wstring& prefix,
                             FileSystem& files) {
    std::vector<FolderEntry> entries;
    if (!files.ListFolder(folder, entries)) {
        return;
    }
    const std::wstring separator = folder.ends_with(L'\\') ? L"" : L"\\";
    for (const FolderEntry& entry : entries) {
        const std::wstring_view name = entry.name;
        // A file held open by a run still under way cannot be deleted, and stays.
        if ((entry.attributes & kFileAttributeDirectory) == 0 && name.starts_with(prefix) &&
            name.ends_with(L".tmp")) {
            files.RemoveFile(folder + separator + entry.name);
        }
    }
}

}  // namespace quillguard
