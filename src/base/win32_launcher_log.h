#pragma once

#include <string>

#include "base/launcher_log.h"

namespace quillguard {

// The log in a folder: launcher.log, UTF-8, one line per step, appended by every run; before it
// would pass kLogRotationSize it becomes launcher.1.log (replacing an older one). A folder or
// file that cannot be written loses the line and nothing else: the caller's last error is kept.
class Win32LauncherLog final : public LauncherLog {
  public:
    explicit Win32LauncherLog(std::wstring folder) : folder_(std::move(folder)) {}

    // %LOCALAPPDATA%\QuillGuard, the player's own folder that no other user and no roaming
    // profile shares; empty, and so nothing logged, when the variable is unset.
    static std::wstring DefaultFolder();

    void Record(const LogEntry& entry) override;

  private:
    void Append(const std::string& line) const;

    std::wstring folder_;
};

}  // namespace quillguard
