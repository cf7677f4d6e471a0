#include "app/main_flow.h"

#include <gtest/gtest.h>

#include <tuple>

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

TEST(MainFlowTest, RunsTheStagesAndShowsOneMessagePerFailure) {
    using enum Start;
    const CallLog accepted = {L"log start", L"acquire", L"splash start", L"eula read"};
    const CallLog asked = {L"log start",   L"acquire",     L"splash start", L"eula read",
                           L"splash hide", L"eula dialog", L"eula write",   L"splash show"};
    const auto then = [](CallLog calls, const CallLog& more) {
        calls.insert(calls.end(), more.begin(), more.end());
        return calls;
    };
    // After a failed stage's log line: the splash goes, then the one box with the code's text.
    const auto failed = [&](const CallLog& calls, const std::wstring& box) {
        return then(calls, {L"splash close", L"message e " + box, L"release", L"log exit code=1"});
    };
    const LauncherError unknown{21};  // one past the table
    const CallLog gameRan = then(accepted, {L"update", L"log self-update code=0", L"game"});
    const struct {
        Start start;
        LauncherError update, game;
        LaunchFailure launchFailure;  // the failing stage's
        int exitCode;
        CallLog calls;
    } cases[] = {
        // A second launcher holds no lock, so it releases none, and shows no windows.
        {HeldElsewhere, kSuccess, kSuccess, 0, 1,
         CallLog{L"log start", L"acquire",
                 L"message i QuillGuard Launcher: Another instance is already running",
                 L"log exit code=1"}},
        // Accepted before: the splash is never hidden; it is not closed on success.
        {AcceptedBefore, kSuccess, kSuccess, 0, 0,
         then(gameRan, {L"log game code=0", L"release", L"log exit code=0"})},
        // A refusal writes nothing, shows nothing and runs no stage.
        {Refused, kSuccess, kSuccess, 0, 1,
         then(accepted, {L"splash hide", L"eula dialog", L"release", L"log exit code=1"})},
        // A failed self-update stops the run. The system's error, unsigned, goes with the launch
        // failures alone.
        {AcceptedBefore, kElevatedLaunchFailed, kSuccess, 0x80070005, 1,
         failed(then(accepted, {L"update", L"log self-update code=19 error=2147942405"}),
                L"Launcher Update Error: ShellExecuteEx failed. Error=2147942405")},
        {AcceptedNow, kSuccess, kCreateProcessFailed, 740, 1,
         failed(then(asked, {L"update", L"log self-update code=0", L"game",
                             L"log game code=20 error=740"}),
                L"Game Update Error: CreateProcessW failed. Error=740")},
        {AcceptedBefore, kSuccess, kGameLaunchFailed, 740, 1,
         failed(then(gameRan, {L"log game code=17 error=740"}),
                L"Game Update Error: Failed to launch the game.")},
        {AcceptedBefore, kSuccess, unknown, 0, 1,
         failed(then(gameRan, {L"log game code=21"}),
                L"Game Update Error: An unknown error occurred.")},
        // No lock, window or message: the exit code is the first failing stage's code.
        {UpdateOnly, kSuccess, kStubDownloadFailed, 0, 15,
         CallLog{L"log start", L"update", L"log self-update code=0", L"game", L"log game code=15",
                 L"log exit code=15"}},
        {UpdateOnly, kLauncherChecksumMismatch, kSuccess, 0, 7,
         CallLog{L"log start", L"update", L"log self-update code=7", L"log exit code=7"}},
    };
    for (const auto& c : cases) {
        CallLog calls;
        testing::FakeInstanceLock lock(calls, c.start == HeldElsewhere);
        testing::FakeUserInterface ui(calls);
        testing::FakeLauncherWindows windows(calls, c.start == AcceptedNow);
        testing::FakeEulaRecord eula(calls, c.start == AcceptedBefore);
        testing::FakeLauncherLog log(calls);
        // Each stage is handed the very lock the main flow took.
        const auto stage = [&](const wchar_t* name, LauncherError code) {
            return [&, name, code](InstanceLock& heldLock) {
                EXPECT_EQ(&heldLock, &lock);
                calls.push_back(name);
                return FlowResult{code, code == kSuccess ? 0 : c.launchFailure};
            };
        };
        const MainFlowStages stages{stage(L"update", c.update), stage(L"game", c.game)};
        const int exitCode = c.start == UpdateOnly
                                 ? RunUpdateOnly(lock, stages, log)
                                 : RunMainFlow(lock, ui, windows, eula, stages, log);
        EXPECT_EQ(std::tie(exitCode, calls), std::tie(c.exitCode, c.calls));
    }
}

}  // namespace
}  // namespace quillguard
