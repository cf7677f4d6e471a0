#pragma once

#include "base/processes.h"

namespace quillguard {

// Processes through Win32.
class Win32Processes final : public Processes {
  public:
    bool StartProcess(const std::wstring& commandLine, std::uint32_t& error) override;
    bool IsProcessElevated() override;
    bool StartWithCommandLine(const std::wstring& program,
                              const std::wstring& commandLine) override;
    bool StartElevated(const std::wstring& path, const std::optional<std::wstring>& parameters,
                       std::uint32_t& error) override;
    bool RunElevated(const std::wstring& path, const std::wstring& parameters,
                     std::uint32_t timeoutMs, std::uint32_t& exitCode,
                     std::uint32_t& error) override;
    void Wait(std::uint32_t milliseconds) override;
    void EndProcess(std::uint32_t exitCode) override;
};

}  // namespace quillguard
