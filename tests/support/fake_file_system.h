#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "support/call_log.h"

namespace quillguard::testing {

inline FolderEntry File(const wchar_t* name) {
    return {name, 0x20};
}
inline FolderEntry Folder(const wchar_t* name) {
    return {name, kFileAttributeDirectory};
}

// A folder tree held in memory: folders list their entries in the order given, and a folder
// that was never described cannot be listed. Records "list FOLDER".
class FakeFileSystem final : public FileSystem {
  public:
    explicit FakeFileSystem(CallLog& log) : log_(log) {}

    FakeFileSystem& folder(const std::wstring& path, std::vector<FolderEntry> entries) {
        folders_[path] = std::move(entries);
        return *this;
    }

    std::uint32_t ReadFileAttributes(const std::wstring& path) override {
        if (folders_.count(path) != 0) {
            return kFileAttributeDirectory;
        }
        const auto slash = path.find_last_of(L'\\');
        const auto parent = folders_.find(path.substr(0, slash));
        if (slash != std::wstring::npos && parent != folders_.end()) {
            for (const FolderEntry& entry : parent->second) {
                if (entry.name == path.substr(slash + 1)) {
                    return entry.attributes;
                }
            }
        }
        return kInvalidFileAttributes;
    }
    bool ListFolder(const std::wstring& path, std::vector<FolderEntry>& entries) override {
        log_.push_back(L"list " + path);
        const auto found = folders_.find(path);
        if (found == folders_.end()) {
            return false;
        }
        entries = {{L".", kFileAttributeDirectory}, {L"..", kFileAttributeDirectory}};
        entries.insert(entries.end(), found->second.begin(), found->second.end());
        return true;
    }

  private:
    CallLog& log_;
    std::map<std::wstring, std::vector<FolderEntry>> folders_;
};

}  // namespace quillguard::testing
