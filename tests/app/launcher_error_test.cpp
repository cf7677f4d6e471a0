#include "app/launcher_error.h"

#include <gtest/gtest.h>

#include <string>

namespace quillguard {
namespace {

struct MessageCase {
    LauncherError code;
    std::wstring text;
};

class LauncherErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(LauncherErrorMessageTest, GivesTheFixedText) {
    // launchFailure matters only for the formatted codes.
    EXPECT_EQ(LauncherErrorMessage(GetParam().code, 0), GetParam().text);
    EXPECT_EQ(LauncherErrorMessage(GetParam().code, 740), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LauncherErrorMessageTest,
    ::testing::Values(
        MessageCase{0, L"Operation completed successfully."},
        MessageCase{1, L"Failed to fetch launcher update manifest from server."},
        MessageCase{2, L"Launcher manifest is missing SHA1 checksum."},
        MessageCase{3, L"Launcher manifest is missing download URL."},
        MessageCase{4, L"Failed to get system temporary path."},
        MessageCase{5, L"Failed to create temporary file for download."},
        MessageCase{6, L"Failed to download launcher update."},
        MessageCase{7, L"Downloaded launcher file checksum does not match expected value."},
        MessageCase{8, L"Failed to create update process."},
        MessageCase{9, L"Invalid launcher executable name format."},
        MessageCase{10, L"Target game executable not found."},
        MessageCase{11, L"Could not find a valid QGClient target executable."},
        MessageCase{12, L"Failed to fetch game stub manifest from server."},
        MessageCase{13, L"Game stub manifest is missing SHA1 checksum."},
        MessageCase{14, L"Game stub manifest is missing download URL."},
        MessageCase{15, L"Failed to download game stub update."},
        MessageCase{16, L"Downloaded game stub file checksum does not match expected value."},
        MessageCase{17, L"Failed to launch the game."}, MessageCase{18, L"User refused elevation."},
        MessageCase{21, L"An unknown error occurred."},
        MessageCase{1000, L"An unknown error occurred."},
        MessageCase{0xFFFFFFFFu, L"An unknown error occurred."}));

struct FormattedCase {
    LauncherError code;
    LaunchFailure launchFailure;
    std::wstring text;
};

class FormattedErrorMessageTest : public ::testing::TestWithParam<FormattedCase> {};

TEST_P(FormattedErrorMessageTest, ShowsTheSystemErrorInDecimal) {
    EXPECT_EQ(LauncherErrorMessage(GetParam().code, GetParam().launchFailure), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes19And20, FormattedErrorMessageTest,
    ::testing::Values(FormattedCase{19, 2, L"ShellExecuteEx failed. Error=2"},
                      FormattedCase{19, 0, L"ShellExecuteEx failed. Error=0"},
                      FormattedCase{20, 193, L"CreateProcessW failed. Error=193"},
                      FormattedCase{20, 740, L"CreateProcessW failed. Error=740"},
                      // Unsigned: the largest code is not shown as -1.
                      FormattedCase{20, 0xFFFFFFFFu, L"CreateProcessW failed. Error=4294967295"},
                      FormattedCase{19, 0x80070005u, L"ShellExecuteEx failed. Error=2147942405"}));

}  // namespace
}  // namespace quillguard
