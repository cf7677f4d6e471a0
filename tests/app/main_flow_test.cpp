#include "app/main_flow.h"

#include <gtest/gtest.h>

#include "support/fake_instance_lock.h"
#include "support/fake_launcher_log.h"
#include "support/fake_launcher_windows.h"
#include "support/fake_user_interface.h"

namespace quillguard {
namespace {

using testing::CallLog;

// Who holds the lock, and what the user said to the agreement; or a copy started for the update
// alone, which asks neither.
enum class Start { HeldElsewhere, AcceptedBefore, AcceptedNow, Refused, UpdateOnly };

struct MainFlowCase {
    Start start;
    LauncherError update;
    LauncherError game;
    LaunchFailure launchFailure;
    int exitCode;
    CallLog calls;
};

TEST(MainFlowTest, RunsTheStagesAndShowsOneMessagePerFailure) {
    using enum Start;
    const CallLog accepted = {L"log start", L"acquire", L"splash start", L"eula read"};
    const CallLog asked = {L"log start",   L"acquire",     L"splash start", L"eula read",
                           L"splash hide", L"eula dialog", L"eula write",   L"splash show"};
    const auto then = [](CallLog calls, const CallLog& more) {
        calls.insert(calls.end(), more.begin(), more.end());
        return calls;
    };
    const MainFlowCase cases[] = {
        // A second launcher holds no lock, so it releases none, and shows no windows.
        {HeldElsewhere, kSuccess, kSuccess, 0, 1,
         CallLog{L"log start", L"acquire",
                 L"message i QuillGuard Launcher: Another instance is already running",
                 L"log exit code=1"}},
        // Accepted before: the splash is never hidden; it is not closed on success.
        {AcceptedBefore, kSuccess, kSuccess, 0, 0,
         then(accepted, {L"update", L"log self-update code=0", L"game", L"log game code=0",
                         L"release", L"log exit code=0"})},
        // A refusal writes nothing, shows nothing and runs no stage.
        {Refused, kSuccess, kSuccess, 0, 1,
         then(accepted, {L"splash hide", L"eula dialog", L"release", L"log exit code=1"})},
        // The splash is closed before every error box; a failed self-update stops the run.
        {AcceptedBefore, kUpdateProcessFailed, kSuccess, 0, 1,
         then(accepted, {L"update", L"log self-update code=8", L"splash close",
                         L"message e Launcher Update Error: Failed to create update process.",
                         L"release", L"log exit code=1"})},
        {AcceptedNow, kSuccess, kCreateProcessFailed, 740, 1,
         then(asked,
              {L"update", L"log self-update code=0", L"game", L"log game code=20 error=740",
               L"splash close", L"message e Game Update Error: CreateProcessW failed. Error=740",
               L"release", L"log exit code=1"})},
        // No lock, window or message: the exit code is the first failing stage's code.
        {UpdateOnly, kSuccess, kStubDownloadFailed, 0, 15,
         CallLog{L"log start", L"update", L"log self-update code=0", L"game", L"log game code=15",
                 L"log exit code=15"}},
        {UpdateOnly, kLauncherChecksumMismatch, kSuccess, 0, 7,
         CallLog{L"log start", L"update", L"log self-update code=7", L"log exit code=7"}},
    };
    for (const MainFlowCase& c : cases) {
        CallLog calls;
        testing::FakeInstanceLock lock(calls, c.start == HeldElsewhere);
        testing::FakeUserInterface ui(calls);
        testing::FakeLauncherWindows windows(calls, c.start == AcceptedNow);
        testing::FakeEulaRecord eula(calls, c.start == AcceptedBefore);
        MainFlowStages stages;
        stages.updateLauncher = [&](InstanceLock& heldLock) {
            EXPECT_EQ(&heldLock, &lock);
            calls.push_back(L"update");
            return FlowResult{c.update, 0};
        };
        stages.runGameFlow = [&](InstanceLock& heldLock) {
            // Each stage is handed the very lock the main flow took.
            EXPECT_EQ(&heldLock, &lock);
            calls.push_back(L"game");
            return FlowResult{c.game, c.launchFailure};
        };
        testing::FakeLauncherLog log(calls);
        const int exitCode = c.start == UpdateOnly
                                 ? RunUpdateOnly(lock, stages, log)
                                 : RunMainFlow(lock, ui, windows, eula, stages, log);
        EXPECT_EQ(exitCode, c.exitCode) << c.calls.size();
        EXPECT_EQ(calls, c.calls) << c.calls.size();
    }
}

}  // namespace
}  // namespace quillguard
