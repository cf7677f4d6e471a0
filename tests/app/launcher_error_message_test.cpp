#include "app/launcher_error_message.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quillguard {

// The texts of codes 0 to 18 are a table in the code; what is decided is where the system's error
// appears, unsigned, and what an unknown code says.
TEST(LauncherErrorMessageTest, ShowsTheSystemErrorOnlyForTheLaunchFailures) {
    EXPECT_EQ(LauncherErrorMessage(kElevatedLaunchFailed, 0x80070005u),
              L"ShellExecuteEx failed. Error=2147942405");
    EXPECT_EQ(LauncherErrorMessage(kCreateProcessFailed, 0xFFFFFFFFu),
              L"CreateProcessW failed. Error=4294967295");
    EXPECT_EQ(LauncherErrorMessage(kGameLaunchFailed, 740), L"Failed to launch the game.");
    for (const std::uint32_t code : {21u, 0xFFFFFFFFu}) {
        EXPECT_EQ(LauncherErrorMessage(LauncherError{code}, 0), L"An unknown error occurred.");
    }
}

}  // namespace quillguard
