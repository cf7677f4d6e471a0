#include "app/launcher_error_message.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quillguard {
namespace {

// The golden copy of the texts, by code.
const std::vector<std::wstring> kTexts = {
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
};

// Only codes 19 and 20 show the launch failure, unsigned.
TEST(LauncherErrorMessageTest, GivesEachCodesTextWithTheLaunchFailureOnlyWhereItBelongs) {
    for (std::uint32_t code = 0; code < kTexts.size(); ++code) {
        EXPECT_EQ(LauncherErrorMessage(LauncherError{code}, 740), kTexts[code]) << code;
    }
    for (const std::uint32_t code : {21u, 1000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(LauncherErrorMessage(LauncherError{code}, 0), L"An unknown error occurred.");
    }
    EXPECT_EQ(LauncherErrorMessage(kElevatedLaunchFailed, 0x80070005u),
              L"ShellExecuteEx failed. Error=2147942405");
    EXPECT_EQ(LauncherErrorMessage(kCreateProcessFailed, 0xFFFFFFFFu),
              L"CreateProcessW failed. Error=4294967295");
}

}  // namespace
}  // namespace quillguard
