#include "app/main_flow.h"

#include <gtest/gtest.h>

#include "support/fake_instance_lock.h"
#include "support/fake_user_interface.h"

namespace quillguard {
namespace {

using testing::CallLog;

struct MainFlowCase {
    bool lockHeldElsewhere;
    LauncherError update;
    FlowResult game;
    int exitCode;
    CallLog calls;
};

TEST(MainFlowTest, RunsTheStagesAndShowsOneMessagePerFailure) {
    const std::wstring error = L"message e Game Update Error: ";
    const MainFlowCase cases[] = {
        // A second launcher holds no lock, so it releases none.
        {true,
         kSuccess,
         {},
         1,
         {L"acquire", L"message i QuillGuard Launcher: Another instance is already running"}},
        {false, kSuccess, {kSuccess, 0}, 0, {L"acquire", L"update", L"game", L"release"}},
        // A failed self-update stops the run before the game flow.
        {false,
         kUpdateProcessFailed,
         {},
         1,
         {L"acquire", L"update",
          L"message e Launcher Update Error: Failed to create update process.", L"release"}},
        {false,
         kSuccess,
         {kClientTargetNotFound, 0},
         1,
         {L"acquire", L"update", L"game",
          error + L"Could not find a valid QGClient target executable.", L"release"}},
        {false,
         kSuccess,
         {kCreateProcessFailed, 740},
         1,
         {L"acquire", L"update", L"game", error + L"CreateProcessW failed. Error=740", L"release"}},
    };
    for (const MainFlowCase& c : cases) {
        CallLog calls;
        testing::FakeInstanceLock lock(calls, c.lockHeldElsewhere);
        testing::FakeUserInterface ui(calls);
        MainFlowStages stages;
        stages.updateLauncher = [&] {
            calls.push_back(L"update");
            return c.update;
        };
        stages.runGameFlow = [&](InstanceLock& heldLock) {
            // The stage is handed the very lock the main flow took.
            EXPECT_EQ(&heldLock, &lock);
            calls.push_back(L"game");
            return c.game;
        };
        EXPECT_EQ(RunMainFlow(lock, ui, stages), c.exitCode) << c.exitCode;
        EXPECT_EQ(calls, c.calls) << c.exitCode;
    }
}

}  // namespace
}  // namespace quillguard
