#include "base/log_line.h"

#include <array>
#include <cstdio>

#include "base/hex.h"

namespace quillguard {
namespace {

// In the order of LogStage.
constexpr std::string_view kStageNames[] = {"start",         "fetch",      "download", "resume",
                                            "self-update",   "hand-over",  "game",     "exit",
                                            "leftover-kept", "disk-space", "refused"};

// A system message ends in a line break and may hold more; one log line holds one step, and the
// quotes around the text must stay unambiguous.
std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        line.push_back(byte < 0x20 || byte == 0x7F ? ' ' : c == '"' ? '\'' : c);
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

}  // namespace

std::string LogPath(std::wstring_view url) {
    std::size_t start = url.find(L"://");
    start = start == std::wstring_view::npos ? 0 : start + 3;
    // The authority (credentials, host, port) ends at the path, the query or the fragment.
    start = url.find_first_of(L"/?#", start);
    std::wstring_view path =
        start == std::wstring_view::npos ? std::wstring_view() : url.substr(start);
    path = path.substr(0, path.find_first_of(L"?#"));
    if (path.empty()) {
        return "/";
    }
    std::string text;
    for (const wchar_t c : path) {
        const auto unit = static_cast<unsigned>(c);
        if (unit > 0x20 && unit < 0x7F) {
            text.push_back(static_cast<char>(unit));
        } else if (unit <= 0xFF || (unit >= 0xFF80 && unit <= 0xFFFF)) {
            // A manifest's bytes are widened with their sign: 0x80..0xFF arrive as 0xFF80..0xFFFF.
            text += "%" + HexOf(std::array{static_cast<std::uint8_t>(unit)}, HexCase::kUpper);
        } else {
            const std::array bytes{static_cast<std::uint8_t>(unit >> 8),
                                   static_cast<std::uint8_t>(unit)};
            text += "%u" + HexOf(bytes, HexCase::kUpper);
        }
    }
    return text;
}

std::string LogProxy(std::wstring_view proxy) {
    std::string text;
    std::size_t hostStart = 0;  // where the current entry's host, or its credentials, begin
    for (const wchar_t c : proxy) {
        if (c == L';' || c == L' ') {
            text.push_back(';');
            hostStart = text.size();
        } else if (c == L'@') {
            text.resize(hostStart);  // what came before was "user:password"
        } else {
            const auto unit = static_cast<unsigned>(c);
            text.push_back(unit > 0x20 && unit < 0x7F ? static_cast<char>(unit) : '?');
            if (c == L'=' || text.ends_with("//")) {
                hostStart = text.size();
            }
        }
    }
    return text;
}

std::string FormatLogLine(const LogTime& time, std::uint32_t processId, const LogEntry& entry,
                          std::string_view errorText) {
    std::array<char, 64> stamp{};
    std::snprintf(stamp.data(), stamp.size(), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", time.year,
                  time.month, time.day, time.hour, time.minute, time.second, time.millisecond);
    std::string line = stamp.data();
    line += " pid=" + std::to_string(processId) + " ";
    line += kStageNames[static_cast<std::size_t>(entry.stage)];
    if (!entry.url.empty()) {
        line += " path=" + LogPath(entry.url);
    }
    if (entry.status) {
        line += " status=" + std::to_string(*entry.status);
    }
    if (entry.bytes) {
        line += " bytes=" + std::to_string(*entry.bytes);
    }
    if (entry.freeBytes) {
        line += " free=" + std::to_string(*entry.freeBytes);
    }
    if (entry.milliseconds) {
        line += " ms=" + std::to_string(*entry.milliseconds);
    }
    if (entry.proxy) {
        line += entry.proxy->empty() ? " via=direct" : " via=proxy:" + LogProxy(*entry.proxy);
    }
    if (entry.code) {
        line += " code=" + std::to_string(*entry.code);
    }
    if (!entry.reason.empty()) {
        line += " reason=" + OneLine(entry.reason);
    }
    if (entry.systemError != 0) {
        line += " error=" + std::to_string(entry.systemError);
        const std::string text = OneLine(errorText);
        if (!text.empty()) {
            line += " \"" + text + "\"";
        }
    }
    line.push_back('\n');
    return line;
}

bool ShouldRotateLog(std::uint64_t logSize, std::size_t lineSize) {
    return logSize > 0 && (logSize >= kLogRotationSize || lineSize > kLogRotationSize - logSize);
}

}  // namespace quillguard
