#pragma once

#include "base/processes.h"

namespace quillguard {

// Processes through Win32.
class Win32Processes final : public Processes {
  public:
    std::wstring GetLauncherPath() override;
    std::wstring GetForwardedArguments() override;
    bool StartProcess(const std::wstring& commandLine, std::uint32_t& error) override;
    bool IsProcessElevated() override;
    bool StartWithOwnCommandLine(const std::wstring& program) override;
    bool StartElevated(const std::wstring& path, const std::optional<std::wstring>& parameters,
                       std::uint32_t& error) override;
    void Wait(std::uint32_t milliseconds) override;
    void EndProcess(std::uint32_t exitCode) override;
};

}  // namespace quillguard
