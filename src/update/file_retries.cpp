#include "update/file_retries.h"

#include <cstdint>
#include <functional>

namespace quillguard {
namespace {

constexpr int kAttempts = 20;
constexpr std::uint32_t kRetryMs = 100;

bool IsScannerError(std::uint32_t error) {
    return error == kErrorSharingViolation || error == kErrorLockViolation ||
           error == kErrorAccessDenied;
}

bool Retrying(const std::function<bool(std::uint32_t&)>& step, Processes& processes) {
    for (int attempt = 1;; ++attempt) {
        std::uint32_t error = 0;
        if (step(error)) {
            return true;
        }
        if (!IsScannerError(error) || attempt == kAttempts) {
            return false;
        }
        processes.Wait(kRetryMs);
    }
}

}  // namespace

bool MoveRetrying(const std::wstring& from, const std::wstring& to, FileSystem& files,
                  Processes& processes) {
    return Retrying([&](std::uint32_t& error) { return files.MoveReplacing(from, to, error); },
                    processes);
}

bool FlushRetrying(const std::wstring& path, FileSystem& files, Processes& processes) {
    return Retrying([&](std::uint32_t& error) { return files.FlushToDisk(path, error); },
                    processes);
}

}  // namespace quillguard
