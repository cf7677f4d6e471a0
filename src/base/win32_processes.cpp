#include "base/win32_processes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "base/unique_handle.h"

namespace quillguard {
namespace {

// Starts a program with this process's environment and current folder and does not wait for it:
// it runs on by itself, and only the handles to it are closed. False with the system's last error
// set when it cannot be started.
bool StartDetached(const wchar_t* program, std::wstring commandLine, DWORD creationFlags,
                   STARTUPINFOW startup) {
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, creationFlags,
                          nullptr, nullptr, &startup, &started)) {
        return false;
    }
    const UniqueProcessInformation owned{UniqueKernelHandle(started.hProcess),
                                         UniqueKernelHandle(started.hThread)};
    return true;
}

}  // namespace

bool Win32Processes::StartProcess(const std::wstring& commandLine, std::uint32_t& error) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // No application name: the program is the command line's first token, quoted, so a path with
    // spaces cannot be read as a shorter program's name.
    if (!StartDetached(nullptr, commandLine, CREATE_NEW_CONSOLE, startup)) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

bool Win32Processes::IsProcessElevated() {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation),
                                 &size) &&
           elevation.TokenIsElevated != 0;
}

bool Win32Processes::StartElevated(const std::wstring& path,
                                   const std::optional<std::wstring>& parameters,
                                   std::uint32_t& error) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.lpVerb = L"runas";
    execute.lpFile = path.c_str();
    execute.lpParameters = parameters ? parameters->c_str() : nullptr;
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

bool Win32Processes::StartWithCommandLine(const std::wstring& program,
                                          const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // The program is named by its full path, never searched for, and receives the command line as
    // it is: the arguments reach it exactly as they reached this run, and no command interpreter
    // ever reads them.
    return StartDetached(program.c_str(), commandLine, 0, startup);
}

bool Win32Processes::RunElevated(const std::wstring& path, const std::wstring& parameters,
                                 std::uint32_t timeoutMs, std::uint32_t& exitCode,
                                 std::uint32_t& error) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    execute.lpVerb = L"runas";
    execute.lpFile = path.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) {
        error = ::GetLastError();
        return false;
    }
    const UniqueKernelHandle process(execute.hProcess);
    DWORD code = kStillActive;
    if (!process || ::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.get(), &code)) {
        code = kStillActive;
    }
    exitCode = code;
    return true;
}

void Win32Processes::Wait(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

void Win32Processes::EndProcess(std::uint32_t exitCode) {
    ::ExitProcess(exitCode);
}

}  // namespace quillguard
