#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillguard {

// The steps of a run that the log records.
enum class LogStage {
    Start,         // the launcher began a run
    Fetch,         // one manifest request
    Download,      // one build request
    Resume,        // the one retry of a broken download, from where the file ends
    SelfUpdate,    // the self-update's code
    HandOver,      // the process ends to let the verified launcher take its place
    Game,          // the game flow's code
    Exit,          // the exit code the run ended with
    LeftoverKept,  // what an earlier update left cannot be removed, and stays
    DiskSpace,     // a download refused before its body: too little room for it
    Refused,       // a manifest or a build that arrived but is not believed, and why
};

// One step of a run; what does not apply to a step stays empty.
struct LogEntry {
    LogStage stage = LogStage::Start;
    std::wstring_view url;                   // the log keeps its path only
    std::optional<std::uint32_t> status;     // the HTTP status, when a response arrived
    std::uint32_t systemError = 0;           // the failing call's system error code, 0 for none
    std::optional<std::uint64_t> bytes;      // body bytes received, or needed
    std::optional<std::uint64_t> freeBytes;  // what the volume had free
    // A request's route: the proxy it went through, empty when it went direct.
    std::optional<std::wstring_view> proxy;
    std::optional<std::uint64_t> milliseconds;
    std::optional<std::uint32_t> code;  // a flow's code, or the exit code
    std::string_view reason;            // why a refusal refused, printable ASCII
};

// A step of a flow that has no request: its stage, and maybe a code and a system error.
inline LogEntry FlowStep(LogStage stage, std::optional<std::uint32_t> code = std::nullopt,
                         std::uint32_t systemError = 0) {
    LogEntry entry;
    entry.stage = stage;
    entry.code = code;
    entry.systemError = systemError;
    return entry;
}

// Where the flows and the transport report each step; the launcher binds it to a file, tests to a
// list. Recording never fails the run: a line that cannot be written is lost.
class LauncherLog {
  public:
    virtual ~LauncherLog() = default;

    virtual void Record(const LogEntry& entry) = 0;
};

}  // namespace quillguard
