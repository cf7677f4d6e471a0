#pragma once

#include <string>

#include "base/launcher_log.h"
#include "base/log_line.h"
#include "support/call_log.h"

namespace quillguard::testing {

// Records each log line, without its time, process id and duration, as "log STAGE FIELDS..." in a
// call log; a system error is recorded without its text.
class FakeLauncherLog final : public LauncherLog {
  public:
    explicit FakeLauncherLog(CallLog& calls) : calls_(calls) {}

    void Record(const LogEntry& entry) override {
        LogEntry timeless = entry;
        timeless.milliseconds.reset();
        const std::string line = FormatLogLine({}, 0, timeless, "");
        const std::size_t stage = line.find(" pid=0 ") + 7;
        calls_.push_back(L"log " + std::wstring(line.begin() + static_cast<std::ptrdiff_t>(stage),
                                                line.end() - 1));
    }

  private:
    CallLog& calls_;
};

}  // namespace quillguard::testing
