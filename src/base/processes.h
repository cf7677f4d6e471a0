#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillguard {

inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorElevationRequired = 740;
inline constexpr std::uint32_t kErrorCancelled = 1223;
inline constexpr std::uint32_t kStillActive = 259;

// What the flows ask of processes, their own and the ones they start; the launcher binds it to
// Win32, tests to fakes that play every answer Windows can give.
class Processes {
  public:
    virtual ~Processes() = default;

    // Starts a program with this command line (new console, this process's environment and
    // current folder) without waiting for it; false with the system error code on failure.
    virtual bool StartProcess(const std::wstring& commandLine, std::uint32_t& error) = 0;
    virtual bool IsProcessElevated() = 0;
    // Starts the program at this full path, without waiting for it, with this command line as it
    // is, this process's current folder and its rights (no elevation is asked for); false when it
    // cannot be started.
    virtual bool StartWithCommandLine(const std::wstring& program,
                                      const std::wstring& commandLine) = 0;
    // Starts a program through the elevation prompt ("runas") with these parameters, or with
    // none (a null pointer, not an empty text) when there are none; false with the system error
    // code on failure.
    virtual bool StartElevated(const std::wstring& path,
                               const std::optional<std::wstring>& parameters,
                               std::uint32_t& error) = 0;
    // Starts a program through the elevation prompt ("runas") with these parameters and waits up
    // to timeoutMs for it to end: true with its exit code (kStillActive when it runs on), false
    // with the system error code when it cannot be started.
    virtual bool RunElevated(const std::wstring& path, const std::wstring& parameters,
                             std::uint32_t timeoutMs, std::uint32_t& exitCode,
                             std::uint32_t& error) = 0;
    // Blocks this thread for the given time.
    virtual void Wait(std::uint32_t milliseconds) = 0;
    // Ends this process at once with this exit code; returns only in tests.
    virtual void EndProcess(std::uint32_t exitCode) = 0;
};

}  // namespace quillguard
