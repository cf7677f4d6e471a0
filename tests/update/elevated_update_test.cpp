#include "update/elevated_update.h"

#include <gtest/gtest.h>

#include "support/fake_processes.h"

namespace quillguard {
namespace {

using testing::CallLog;

// What a launcher does when the folder of an update cannot be written. Wine elevates every
// process and never shows the consent prompt, so the answers are played by the fake.
TEST(ElevatedUpdateTest, AsksOnceOnlyWhenRightsAreLackingAndTheLauncherIsNotElevated) {
    const CallLog asked = {L"elevated?",
                           L"runas and wait C:\\Game\\Foo_QG.exe [--quillguard-update-only]"};
    struct Case {
        std::uint32_t writeError;
        bool elevated, updateOnly;
        std::uint32_t shellError, copyExit;  // shellError 0: the prompt is accepted
        LauncherError code;
        LaunchFailure launchFailure;
        CallLog calls;
    };
    const Case cases[] = {
        // Accepted: the copy's 0, its own code, or the flow's when the copy reports none.
        {5, false, false, 0, 0, kSuccess, 0, asked},
        {5, false, false, 0, 16, kStubChecksumMismatch, 0, asked},
        {5, false, false, 0, kStillActive, kNoTemporaryFile, 0, asked},
        // Declined, or the prompt failed.
        {5, false, false, kErrorCancelled, 0, kElevationRefused, 0, asked},
        {5, false, false, 1155, 0, kElevatedLaunchFailed, 1155, asked},
        // Elevated already, a copy itself, or a failure that rights would not mend.
        {5, true, false, 0, 0, kNoTemporaryFile, 0, {L"elevated?"}},
        {5, false, true, 0, 0, kNoTemporaryFile, 0, {}},
        {112, false, false, 0, 0, kNoTemporaryFile, 0, {}},
    };
    for (const Case& c : cases) {
        CallLog calls;
        testing::FakeProcesses processes(calls);
        processes.elevated = c.elevated;
        processes.shellError = c.shellError;
        processes.elevatedCopy = [&] { return c.copyExit; };
        const LauncherFacts self{L"C:\\Game\\Foo_QG.exe", L"Foo_QG.exe -w", L"-w", c.updateOnly};
        const FlowResult result =
            UpdateThroughElevatedCopy(self, c.writeError, kNoTemporaryFile, processes);
        EXPECT_EQ(result.code, c.code) << c.copyExit << " " << c.shellError;
        EXPECT_EQ(result.launchFailure, c.launchFailure);
        EXPECT_EQ(calls, c.calls);
    }
}

}  // namespace
}  // namespace quillguard
