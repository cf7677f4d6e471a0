#include "app/main_flow.h"

#include <gtest/gtest.h>

#include "support/fake_instance_lock.h"
#include "support/fake_user_interface.h"

namespace quillguard {
namespace {

using testing::CallLog;

struct MainFlowCase {
    const char* name;
    bool lockHeldElsewhere;
    FlowResult game;
    int exitCode;
    CallLog calls;
};

TEST(MainFlowTest, RunsTheStagesAndShowsOneMessagePerFailure) {
    const MainFlowCase cases[] = {
        {"second launcher",
         true,
         {},
         1,
         {L"acquire", L"message i QuillGuard Launcher: Another instance is already running"}},
        {"game started", false, {kSuccess, 0}, 0, {L"acquire", L"game", L"release"}},
        {"game flow error",
         false,
         {kClientTargetNotFound, 0},
         1,
         {L"acquire", L"game",
          L"message e Game Update Error: Could not find a valid QGClient target executable.",
          L"release"}},
        {"launch failure in the text",
         false,
         {kCreateProcessFailed, 740},
         1,
         {L"acquire", L"game", L"message e Game Update Error: CreateProcessW failed. Error=740",
          L"release"}},
    };
    for (const MainFlowCase& c : cases) {
        CallLog calls;
        testing::FakeInstanceLock lock(calls, c.lockHeldElsewhere);
        testing::FakeUserInterface ui(calls);
        MainFlowStages stages;
        stages.runGameFlow = [&](InstanceLock& heldLock) {
            // The stage is handed the very lock the main flow took.
            EXPECT_EQ(&heldLock, &lock);
            calls.push_back(L"game");
            return c.game;
        };
        EXPECT_EQ(RunMainFlow(lock, ui, stages), c.exitCode) << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
    }
}

}  // namespace
}  // namespace quillguard
