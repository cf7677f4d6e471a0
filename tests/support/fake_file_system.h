#pragma once

#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "support/call_log.h"

namespace quillguard::testing {

// A folder tree held in memory: folders list their entries in the order given, and a folder
// that was never described cannot be listed. Records "list FOLDER".
class FakeFileSystem final : public FileSystem {
  public:
    explicit FakeFileSystem(CallLog& log) : log_(log) {}

    FakeFileSystem& folder(const std::wstring& path, std::vector<FolderEntry> entries) {
        folders_[path] = std::move(entries);
        return *this;
    }
    // The same from names separated by spaces, a folder's name ending in a backslash.
    FakeFileSystem& folder(const std::wstring& path, std::wstring_view names) {
        std::vector<FolderEntry> entries;
        std::wistringstream words{std::wstring(names)};
        for (std::wstring name; words >> name;) {
            const bool isFolder = name.ends_with(L'\\');
            entries.push_back({isFolder ? name.substr(0, name.size() - 1) : name,
                               isFolder ? kFileAttributeDirectory : 0x20});
        }
        return folder(path, std::move(entries));
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

    // Nothing is written: the tree is for listing only.
    bool CreateTemporaryFile(const std::wstring& folder, const std::wstring&, std::wstring&,
                             std::uint32_t&) override {
        log_.push_back(L"temporary in " + folder);
        return false;
    }
    bool CopyOver(const std::wstring&, const std::wstring&) override { return false; }
    bool FlushToDisk(const std::wstring&, std::uint32_t&) override { return false; }
    bool MoveReplacing(const std::wstring& from, const std::wstring& to, std::uint32_t&) override {
        log_.push_back(L"move " + from + L" over " + to);
        return false;
    }
    bool RemoveFile(const std::wstring& path, std::uint32_t&) override {
        log_.push_back(L"remove " + path);
        return true;
    }

  private:
    CallLog& log_;
    std::map<std::wstring, std::vector<FolderEntry>> folders_;
};

}  // namespace quillguard::testing
