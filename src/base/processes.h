#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillguard {

inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorElevationRequired = 740;
inline constexpr std::uint32_t kErrorCancelled = 1223;

// What the flows ask of processes, their own and the ones they start; the launcher binds it to
// Win32, tests to fakes that play every answer Windows can give.
class Processes {
  public:
    virtual ~Processes() = default;

    // This program's full path; empty when the system cannot report it.
    virtual std::wstring GetLauncherPath() = 0;
    // This program's arguments after its name, re-quoted and joined by single spaces.
    virtual std::wstring GetForwardedArguments() = 0;
    // Starts a program with this command line (new console, this process's environment and
    // current folder) without waiting for it; false with the system error code on failure.
    virtual bool StartProcess(const std::wstring& commandLine, std::uint32_t& error) = 0;
    virtual bool IsProcessElevated() = 0;
    // Starts the program at this full path, without waiting for it, with the command line this
    // process was started with and its current folder, and this process's rights (no elevation
    // is asked for); false when it cannot be started.
    virtual bool StartWithOwnCommandLine(const std::wstring& program) = 0;
    // Starts a program through the elevation prompt ("runas") with these parameters, or with
    // none (a null pointer, not an empty text) when there are none; false with the system error
    // code on failure.
    virtual bool StartElevated(const std::wstring& path,
                               const std::optional<std::wstring>& parameters,
                               std::uint32_t& error) = 0;
    // Blocks this thread for the given time.
    virtual void Wait(std::uint32_t milliseconds) = 0;
    // Ends this process at once with this exit code; returns only in tests.
    virtual void EndProcess(std::uint32_t exitCode) = 0;
};

}  // namespace quillguard
