#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/unique_handle.h"
#include "support/scratch_file.h"

namespace quillguard::testing {

// Starts a program with a verbatim command line, waits up to 30 s for it, and returns its standard
// output as raw bytes; nothing when it cannot be started, does not end in time or exits with a
// code other than 0.
inline std::optional<std::string> RunCaptured(const std::wstring& application,
                                              const std::wstring& commandLine) {
    const ScratchFile output(std::string{});
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    UniqueFileHandle file(::CreateFileW(output.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                        &inheritable, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file.get();
    std::wstring mutableCommandLine = commandLine;
    PROCESS_INFORMATION started{};
    if (!file || !::CreateProcessW(application.c_str(), mutableCommandLine.data(), nullptr, nullptr,
                                   TRUE, 0, nullptr, nullptr, &startup, &started)) {
        return std::nullopt;
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    DWORD exitCode = 1;
    if (::WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
    }
    ::GetExitCodeProcess(process.get(), &exitCode);
    file.reset();
    return exitCode == 0 ? output.content() : std::nullopt;
}

}  // namespace quillguard::testing
