#include "game/target_resolution.h"

#include <cwctype>
#include <vector>

namespace quillguard {
namespace {

bool IsDirectory(std::uint32_t attributes) {
    return (attributes & kFileAttributeDirectory) != 0;
}

// The folder with a backslash behind it, unless it is empty or already ends in one.
std::wstring WithSeparator(const std::wstring& folder) {
    return folder.empty() || folder.back() == L'\\' ? folder : folder + L'\\';
}

// A candidate has a four-unit extension that lower-cases to ".exe", ".bin" or ".dll".
bool IsCandidateName(const std::wstring& path) {
    const auto dot = path.find_last_of(L'.');
    const auto separator = path.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (separator != std::wstring::npos && dot < separator)) {
        return false;
    }
    std::wstring extension = path.substr(dot);
    if (extension.size() != 4) {
        return false;
    }
    for (wchar_t& unit : extension) {
        unit = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(unit)));
    }
    return extension == L".exe" || extension == L".bin" || extension == L".dll";
}

}  // namespace

bool FindClientTarget(const std::wstring& folder, FileSystem& files,
                      const ClientTargetTest& isClientTarget, std::wstring& result) {
    std::vector<FolderEntry> entries;
    if (!files.ListFolder(folder, entries)) {
        return false;
    }
    for (const FolderEntry& entry : entries) {
        if (entry.name == L"." || entry.name == L"..") {
            continue;
        }
        const std::wstring full = WithSeparator(folder) + entry.name;
        if (IsDirectory(entry.attributes)) {
            // A junction or link may lead anywhere, back up the tree among others.
            if ((entry.attributes & kFileAttributeReparsePoint) == 0 &&
                FindClientTarget(full, files, isClientTarget, result)) {
                return true;
            }
        } else if (IsCandidateName(full) && isClientTarget(full)) {
            result = full;
            return true;
        }
    }
    return false;
}

LauncherError ResolveGameTargets(const std::wstring& launcherPath, FileSystem& files,
                                 const ClientTargetTest& isClientTarget, GameTargets& targets) {
    const std::wstring suffix = kLauncherSuffix;
    // The first occurrence in the whole path counts, as the launcher has always done.
    const auto suffixAt = launcherPath.find(suffix);
    if (launcherPath.size() < suffix.size() || suffixAt == std::wstring::npos) {
        return kInvalidLauncherName;
    }
    const std::wstring base = launcherPath.substr(0, suffixAt);
    // A missing or unreadable path reports every bit set, the directory bit among them.
    if (!IsDirectory(files.ReadFileAttributes(base + L".exe"))) {
        targets.gamePath = base + L".exe";
    } else if (!IsDirectory(files.ReadFileAttributes(base + L".bin"))) {
        targets.gamePath = base + L".bin";
    } else {
        return kGameExecutableNotFound;
    }

    const auto lastBackslash = launcherPath.find_last_of(L'\\');
    targets.launcherDir =
        lastBackslash == std::wstring::npos ? launcherPath : launcherPath.substr(0, lastBackslash);

    if (isClientTarget(targets.gamePath)) {
        targets.targetPath = targets.gamePath;
        return kSuccess;
    }
    std::wstring found;
    if (!FindClientTarget(targets.launcherDir, files, isClientTarget, found)) {
        return kClientTargetNotFound;
    }
    targets.targetPath = found;
    return kSuccess;
}

}  // namespace quillguard
