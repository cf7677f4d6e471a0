#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/launcher_log.h"

namespace quillguard {

// The log is renamed to launcher.1.log before it would grow past this size.
inline constexpr std::uint64_t kLogRotationSize = 1024 * 1024;

// When a line was written, in UTC, as the system reports it.
struct LogTime {
    unsigned year = 0;
    unsigned month = 0;
    unsigned day = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    unsigned millisecond = 0;
};

// One line of the log, ending in "\n": the time, "pid=", the stage, then those of path, status,
// bytes, free, ms, via, code, reason and error that apply, the error's text (UTF-8) last and
// quoted. For example
// 2026-12-07T06:28:40.123Z pid=4242 fetch path=/launcher/manifest.json status=404 ms=35
std::string FormatLogLine(const LogTime& time, std::uint32_t processId, const LogEntry& entry,
                          std::string_view errorText);

// The path of a URL as the log shows it: no scheme, credentials, host, query or fragment; the
// escapes it has are kept and every character outside printable ASCII is escaped.
std::string LogPath(std::wstring_view url);

// A proxy list as the log shows it: entries separated by ";", without credentials, every
// character outside printable ASCII as "?".
std::string LogProxy(std::wstring_view proxy);

// True when a log of logSize bytes must be rotated before a line of lineSize bytes is appended:
// a new log would stay within kLogRotationSize, this one would not.
bool ShouldRotateLog(std::uint64_t logSize, std::size_t lineSize);

}  // namespace quillguard
