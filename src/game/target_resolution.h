#pragma once

#include <functional>
#include <string>

#include "base/file_system.h"
#include "base/launcher_error.h"

namespace quillguard {

inline constexpr wchar_t kLauncherSuffix[] = L"_QG.exe";

// Whether the file at a path is a client target (the launcher passes IsClientTarget).
using ClientTargetTest = std::function<bool(const std::wstring&)>;

// What the game flow works out from the launcher's own path.
struct GameTargets {
    std::wstring gamePath;     // the game executable that is started
    std::wstring launcherDir;  // the launcher's folder, where the client library lives
    std::wstring targetPath;   // the client target, whose code section names the game's stub
};

// Finds the game executable (the launcher's name with "_QG.exe" replaced by ".exe", else ".bin")
// and the client target (the game executable if it is one, else the first found under the
// launcher's folder). Returns 0, or 9, 10 or 11 when the name, the game or the target is missing.
LauncherError ResolveGameTargets(const std::wstring& launcherPath, FileSystem& files,
                                 const ClientTargetTest& isClientTarget, GameTargets& targets);

// Depth-first search of a folder tree for the first client target among the ".exe", ".bin" and
// ".dll" files, in listing order, without entering junctions or symbolic links. On success the
// full path goes to result.
bool FindClientTarget(const std::wstring& folder, FileSystem& files,
                      const ClientTargetTest& isClientTarget, std::wstring& result);

}  // namespace quillguard
