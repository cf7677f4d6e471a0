#include "app/launcher_error_message.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace quillguard {
namespace {

constexpr std::array<std::wstring_view, 21> kMessages = {
    L"Operation completed successfully.",
    L"Failed to fetch launcher update manifest from server.",
    L"Launcher manifest is missing SHA1 checksum.",
    L"Launcher manifest is missing download URL.",
    L"Failed to get system temporary path.",
    L"Failed to create temporary file for download.",
    L"Failed to download launcher update.",
    L"Downloaded launcher file checksum does not match expected value.",
    L"Failed to create update process.",
    L"Invalid launcher executable name format.",
    L"Target game executable not found.",
    L"Could not find a valid QGClient target executable.",
    L"Failed to fetch game stub manifest from server.",
    L"Game stub manifest is missing SHA1 checksum.",
    L"Game stub manifest is missing download URL.",
    L"Failed to download game stub update.",
    L"Downloaded game stub file checksum does not match expected value.",
    L"Failed to launch the game.",
    L"User refused elevation.",
    L"ShellExecuteEx failed. Error=%lu",
    L"CreateProcessW failed. Error=%lu",
};

constexpr std::wstring_view kUnknownError = L"An unknown error occurred.";
constexpr std::wstring_view kNumberField = L"%lu";

// The same text wsprintfW gives for "%lu", without a fixed-size buffer to get wrong.
std::wstring FormatWithNumber(std::wstring_view format, std::uint32_t number) {
    std::wstring text(format);
    const auto field = text.find(kNumberField);
    text.replace(field, kNumberField.size(), std::to_wstring(number));
    return text;
}

}  // namespace

std::wstring LauncherErrorMessage(LauncherError code, LaunchFailure launchFailure) {
    const auto index = static_cast<std::uint32_t>(code);
    if (index >= kMessages.size()) {
        return std::wstring(kUnknownError);
    }
    if (code == kElevatedLaunchFailed || code == kCreateProcessFailed) {
        return FormatWithNumber(kMessages[index], launchFailure);
    }
    return std::wstring(kMessages[index]);
}

}  // namespace quillguard
