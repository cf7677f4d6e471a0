#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/processes.h"
#include "support/call_log.h"

namespace quillguard::testing {

// Plays the answers Windows can give to process calls and records them: "create CMDLINE",
// "elevated?", "runas PATH [PARAMETERS]" (no brackets when there are none), "wait MS",
// "exit CODE", "restart PROGRAM".
class FakeProcesses final : public Processes {
  public:
    explicit FakeProcesses(CallLog& log) : log_(log) {}

    std::wstring launcherPath = L"C:\\Game\\Foo_QG.exe";
    std::wstring forwarded;
    std::uint32_t createError = 0;  // 0: the program starts
    bool elevated = false;
    std::uint32_t shellError = 0;  // 0: the elevated program starts
    bool restarts = true;

    std::wstring GetLauncherPath() override { return launcherPath; }
    std::wstring GetForwardedArguments() override { return forwarded; }
    bool StartProcess(const std::wstring& commandLine, std::uint32_t& error) override {
        log_.push_back(L"create " + commandLine);
        error = createError;
        return createError == 0;
    }
    bool IsProcessElevated() override {
        log_.push_back(L"elevated?");
        return elevated;
    }
    bool StartWithOwnCommandLine(const std::wstring& program) override {
        log_.push_back(L"restart " + program);
        return restarts;
    }
    bool StartElevated(const std::wstring& path, const std::optional<std::wstring>& parameters,
                       std::uint32_t& error) override {
        log_.push_back(L"runas " + path + (parameters ? L" [" + *parameters + L"]" : L""));
        error = shellError;
        return shellError == 0;
    }
    void Wait(std::uint32_t milliseconds) override {
        log_.push_back(L"wait " + std::to_wstring(milliseconds));
    }
    void EndProcess(std::uint32_t exitCode) override {
        log_.push_back(L"exit " + std::to_wstring(exitCode));
    }

  private:
    CallLog& log_;
};

}  // namespace quillguard::testing
