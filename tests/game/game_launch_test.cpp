#include "game/game_launch.h"

#include <gtest/gtest.h>

#include "support/fake_instance_lock.h"
#include "support/fake_processes.h"

namespace quillguard {
namespace {

using testing::CallLog;

struct LaunchCase {
    std::wstring forwarded;
    std::uint32_t createError;  // 0: the game starts
    bool elevated;
    std::uint32_t shellError;  // 0: the elevated copy starts
    LauncherError code;
    LaunchFailure launchFailure;
    std::wstring calls;  // joined by "; "
};

// Every answer Windows can give to the launch, and what the launcher does with it. The game is
// quoted, and the switch goes last.
TEST(LaunchGameTest, ElevatesOnlyWhenWindowsDemandsItAndTheLauncherIsNotElevated) {
    const std::wstring create = L"create \"C:\\Game\\Foo.exe\" --quillguard-launcher";
    const std::wstring handOver = create + L"; elevated?; release; runas C:\\Game\\Foo_QG.exe";
    const LaunchCase cases[] = {
        {L"-w", 0, false, 0, kSuccess, 0, L"create \"C:\\Game\\Foo.exe\" -w --quillguard-launcher"},
        {L"", 2, false, 0, kCreateProcessFailed, 2, create},
        {L"", 740, true, 0, kCreateProcessFailed, 740, create + L"; elevated?"},
        // No arguments: no parameters at all (no brackets), not an empty text.
        {L"", 5, false, 0, kSuccess, 0, handOver + L"; exit 0"},
        // The switch is for the game only; the copy gets the forwarded arguments alone.
        {L"-x", 740, false, 0, kSuccess, 0,
         L"create \"C:\\Game\\Foo.exe\" -x --quillguard-launcher; elevated?; release; "
         L"runas C:\\Game\\Foo_QG.exe [-x]; exit 0"},
        // The lock stays released: the process did not end.
        {L"", 740, false, 1223, kElevationRefused, 0, handOver},
        {L"", 5, false, 1155, kElevatedLaunchFailed, 1155, handOver},
    };
    for (const LaunchCase& c : cases) {
        CallLog calls;
        testing::FakeProcesses processes(calls);
        testing::FakeInstanceLock lock(calls);
        processes.createError = c.createError;
        processes.elevated = c.elevated;
        processes.shellError = c.shellError;
        const LauncherFacts self{L"C:\\Game\\Foo_QG.exe", L"", c.forwarded, false};
        const FlowResult result = LaunchGame(L"C:\\Game\\Foo.exe", self, processes, lock);
        std::wstring joined;
        for (const std::wstring& call : calls) {
            joined += (joined.empty() ? L"" : L"; ") + call;
        }
        EXPECT_EQ(result.code, c.code) << c.createError;
        EXPECT_EQ(result.launchFailure, c.launchFailure) << c.createError;
        EXPECT_EQ(joined, c.calls);
    }
}

}  // namespace
}  // namespace quillguard
