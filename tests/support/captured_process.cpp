#include "support/captured_process.h"

#include <windows.h>

#include "base/launcher_path.h"
#include "base/unique_handle.h"

namespace quillguard::testing {

std::optional<CapturedProcess> RunCaptured(const std::wstring& application,
                                           const std::wstring& commandLine) {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    UniqueKernelHandle readEnd;
    UniqueKernelHandle writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0) ||
        !::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
        return std::nullopt;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring mutableCommandLine = commandLine;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(application.c_str(), mutableCommandLine.data(), nullptr, nullptr, TRUE, 0,
                          nullptr, nullptr, &startup, &started)) {
        return std::nullopt;
    }
    UniqueProcessInformation process{UniqueKernelHandle(started.hProcess),
                                     UniqueKernelHandle(started.hThread)};
    // Only the child may hold the write end now, so the read below ends when the child does.
    writeEnd.reset();

    CapturedProcess result;
    char buffer[4096];
    DWORD received = 0;
    while (::ReadFile(readEnd.get(), buffer, sizeof(buffer), &received, nullptr) && received > 0) {
        result.output.append(buffer, received);
    }
    DWORD exitCode = 0;
    if (::WaitForSingleObject(process.process.get(), 30000) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.process.get(), &exitCode)) {
        ::TerminateProcess(process.process.get(), 1);
        return std::nullopt;
    }
    result.exitCode = exitCode;
    return result;
}

std::wstring TestProgramFolder() {
    std::wstring path = GetLauncherPath();
    path.resize(path.find_last_of(L'\\') + 1);
    return path;
}

}  // namespace quillguard::testing
