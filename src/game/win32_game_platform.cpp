#include "game/win32_game_platform.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "app/forwarded_arguments.h"
#include "app/instance_mutex.h"
#include "app/launcher_path.h"
#include "app/unique_handle.h"
#include "game/client_target.h"

namespace quillguard {

std::uint32_t Win32GamePlatform::ReadFileAttributes(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str());
}

bool Win32GamePlatform::ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
    const std::wstring pattern =
        folder.empty() ? L"*" : folder + (folder.back() == L'\\' ? L"*" : L"\\*");
    WIN32_FIND_DATAW found;
    const UniqueFindHandle listing(::FindFirstFileW(pattern.c_str(), &found));
    if (!listing) {
        return false;
    }
    do {
        entries.push_back({found.cFileName, found.dwFileAttributes});
    } while (::FindNextFileW(listing.get(), &found));
    return true;
}

bool Win32GamePlatform::IsClientTarget(const std::wstring& path) {
    return quillguard::IsClientTarget(path);
}

std::wstring Win32GamePlatform::GetLauncherPath() {
    return quillguard::GetLauncherPath();
}

std::wstring Win32GamePlatform::GetForwardedArguments() {
    return quillguard::GetForwardedArguments();
}

bool Win32GamePlatform::StartGameProcess(const std::wstring& commandLine, std::uint32_t& error) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring writableCommandLine = commandLine;
    // No application name: the game is the command line's first token, quoted, so a path with
    // spaces cannot be read as a shorter program's name.
    if (!::CreateProcessW(nullptr, writableCommandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &started)) {
        error = ::GetLastError();
        return false;
    }
    // The game runs on by itself; the launcher only closes its handles to it.
    const UniqueProcessInformation owned{UniqueKernelHandle(started.hProcess),
                                         UniqueKernelHandle(started.hThread)};
    return true;
}

bool Win32GamePlatform::IsProcessElevated() {
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

void Win32GamePlatform::ReleaseInstanceMutex() {
    quillguard::ReleaseInstanceMutex();
}

bool Win32GamePlatform::StartElevatedLauncher(const std::wstring& launcherPath,
                                              const std::wstring& parameters,
                                              std::uint32_t& error) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.lpVerb = L"runas";
    execute.lpFile = launcherPath.c_str();
    execute.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

void Win32GamePlatform::EndProcess(std::uint32_t exitCode) {
    ::ExitProcess(exitCode);
}

}  // namespace quillguard
