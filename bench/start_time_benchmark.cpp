// Starts the launcher once, from its own folder, and watches it until the game it starts exists.
// Prints "START MUTEX SPLASH GAME": the launcher's and the game's creation times as the system
// records them, and when the launcher's mutex and splash window were first seen, all in
// milliseconds since 1970 so that start-time-benchmark.sh can place the server's log beside them
// ("-" for what was never seen).
//
//   qg_start_time_benchmark LAUNCHER GAME_FILE_NAME
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <optional>
#include <string>

#include "base/unique_handle.h"

namespace {

using quillguard::UniqueKernelHandle;

constexpr DWORD kGiveUpMs = 60000;

double EpochMs(const FILETIME& time) {
    const ULARGE_INTEGER ticks{{time.dwLowDateTime, time.dwHighDateTime}};
    constexpr unsigned long long kEpochDifference = 116444736000000000ull;  // 1601 to 1970
    return static_cast<double>(ticks.QuadPart - kEpochDifference) / 10000.0;
}

double NowMs() {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    return EpochMs(now);
}

std::optional<double> CreationMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return std::nullopt;
    }
    return EpochMs(created);
}

// The game that the launcher started, once it exists (the launcher's children include the
// system's console host).
std::optional<double> ChildCreationMs(DWORD parent, const std::wstring& name) {
    const UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == parent &&
            ::lstrcmpiW(entry.szExeFile, name.c_str()) == 0) {
            const UniqueKernelHandle child(
                ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
            return child ? CreationMs(child.get()) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::string Field(const std::optional<double>& ms) {
    char text[32] = "-";
    if (ms) {
        std::snprintf(text, sizeof(text), "%.1f", *ms);
    }
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: qg_start_time_benchmark LAUNCHER GAME_FILE_NAME\n", stderr);
        return 2;
    }
    std::wstring launcher = argv[1];
    const std::wstring folder = launcher.substr(0, launcher.rfind(L'\\'));
    std::wstring commandLine = L"\"" + launcher + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(launcher.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &started)) {
        std::fprintf(stderr, "cannot start the launcher: error %lu\n", ::GetLastError());
        return 1;
    }
    const quillguard::UniqueProcessInformation owned{UniqueKernelHandle(started.hProcess),
                                                     UniqueKernelHandle(started.hThread)};
    const std::optional<double> start = CreationMs(started.hProcess);
    std::optional<double> mutex, splash, game;
    const ULONGLONG deadline = ::GetTickCount64() + kGiveUpMs;
    while (!game && ::GetTickCount64() < deadline) {
        if (!mutex) {
            const UniqueKernelHandle seen(
                ::OpenMutexW(SYNCHRONIZE, FALSE, L"QuillGuardLauncherMutex"));
            if (seen) {
                mutex = NowMs();
            }
        }
        if (!splash && ::FindWindowW(L"QuillGuard", nullptr) != nullptr) {
            splash = NowMs();
        }
        game = ChildCreationMs(started.dwProcessId, argv[2]);
        ::Sleep(1);
    }
    ::WaitForSingleObject(started.hProcess, kGiveUpMs);
    std::printf("%s %s %s %s\n", Field(start).c_str(), Field(mutex).c_str(), Field(splash).c_str(),
                Field(game).c_str());
    return game ? 0 : 1;
}
