#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillguard::testing {

struct CapturedProcess {
    std::uint32_t exitCode = 0;
    std::string output;  // standard output, as raw bytes
};

// Starts a program with a verbatim command line, waits up to 30 s for it, and returns its exit
// code and standard output; nothing when it cannot be started or does not end in time.
std::optional<CapturedProcess> RunCaptured(const std::wstring& application,
                                           const std::wstring& commandLine);

// The folder that holds the running test program, with a trailing backslash.
std::wstring TestProgramFolder();

}  // namespace quillguard::testing
