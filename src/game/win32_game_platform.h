#pragma once

#include "game/game_file_system.h"
#include "game/game_launch.h"

namespace quillguard {

// The game flow's file system and process calls, bound to Win32.
class Win32GamePlatform final : public GameFileSystem, public GameProcessPlatform {
  public:
    std::uint32_t ReadFileAttributes(const std::wstring& path) override;
    bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) override;
    bool IsClientTarget(const std::wstring& path) override;

    std::wstring GetLauncherPath() override;
    std::wstring GetForwardedArguments() override;
    bool StartGameProcess(const std::wstring& commandLine, std::uint32_t& error) override;
    bool IsProcessElevated() override;
    void ReleaseInstanceMutex() override;
    bool StartElevatedLauncher(const std::wstring& launcherPath, const std::wstring& parameters,
                               std::uint32_t& error) override;
    void EndProcess(std::uint32_t exitCode) override;
};

}  // namespace quillguard
