#include "base/win32_launcher_log.h"

#include <windows.h>

#include <array>

#include "base/log_line.h"
#include "base/unique_handle.h"

namespace quillguard {
namespace {

// WinHTTP's own codes (12001..12199) have their texts in winhttp.dll, not in the system's table.
constexpr std::uint32_t kWinHttpFirstError = 12000;
constexpr std::uint32_t kWinHttpLastError = 12199;

std::string Utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                              size, nullptr, nullptr);
    }
    return bytes;
}

// The system's text for a code, in the user's language; empty when it has none.
std::string ErrorText(std::uint32_t code) {
    if (code == 0) {
        return {};
    }
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    // Only a module the launcher already loaded (from the system folder) is asked; none is loaded
    // here.
    const HMODULE winhttp = code >= kWinHttpFirstError && code <= kWinHttpLastError
                                ? ::GetModuleHandleW(L"winhttp.dll")
                                : nullptr;
    if (winhttp != nullptr) {
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    }
    std::array<wchar_t, 512> text{};
    const DWORD length = ::FormatMessageW(flags, winhttp, code, 0, text.data(),
                                          static_cast<DWORD>(text.size()), nullptr);
    return Utf8(std::wstring_view(text.data(), length));
}

LogTime Now() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
            now.wMinute, now.wSecond, now.wMilliseconds};
}

// True unless the handle is open and both it and the path name something that is not a reparse
// point (a junction or a link); wine tells a link only by its path.
bool IsLinkOrUnknown(HANDLE handle, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION about{};
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &about) ||
           ((about.dwFileAttributes | attributes) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
           attributes == INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::wstring Win32LauncherLog::DefaultFolder() {
    std::array<wchar_t, MAX_PATH> value{};
    const DWORD length =
        ::GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size()) {
        return {};
    }
    return std::wstring(value.data(), length) + L"\\QuillGuard";
}

void Win32LauncherLog::Record(const LogEntry& entry) {
    // The flows read the last error of the call that failed after they report it.
    const DWORD lastError = ::GetLastError();
    if (!folder_.empty()) {
        Append(FormatLogLine(Now(), ::GetCurrentProcessId(), entry, ErrorText(entry.systemError)));
    }
    ::SetLastError(lastError);
}

void Win32LauncherLog::Append(const std::string& line) const {
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    // The folder is the player's, and the launcher may run elevated: no link there may lead its
    // writes or its rotation elsewhere (a junction with object-manager links would make the
    // rotation a move of any file). The folder is held for the step, so that no one can rename or
    // replace it meanwhile, and is refused when it is a link; the log is opened as it is, never
    // followed, and refused when it is one.
    const UniqueFileHandle folder(::CreateFileW(
        folder_.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (IsLinkOrUnknown(folder.get(), folder_)) {
        return;
    }
    const std::wstring path = folder_ + L"\\launcher.log";
    // Opened for each line and shared: two launchers (one turned away) may write at once, and
    // appending places each line whole at the end.
    const auto open = [&] {
        return UniqueFileHandle(::CreateFileW(
            path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    };
    UniqueFileHandle file = open();
    LARGE_INTEGER size{};
    if (IsLinkOrUnknown(file.get(), path) || !::GetFileSizeEx(file.get(), &size)) {
        return;
    }
    if (ShouldRotateLog(static_cast<std::uint64_t>(size.QuadPart), line.size())) {
        file.reset();
        ::MoveFileExW(path.c_str(), (folder_ + L"\\launcher.1.log").c_str(),
                      MOVEFILE_REPLACE_EXISTING);
        file = open();
        if (IsLinkOrUnknown(file.get(), path)) {
            return;
        }
    }
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace quillguard
