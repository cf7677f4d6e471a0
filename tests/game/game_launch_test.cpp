#include "game/game_launch.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/fake_instance_lock.h"
#include "support/fake_processes.h"

namespace quillguard {
namespace {

// Every answer Windows can give to the launch, and what the launcher does with it. The game is
// quoted, and the switch goes last.
TEST(LaunchGameTest, ElevatesOnlyWhenWindowsDemandsItAndTheLauncherIsNotElevated) {
    const std::wstring create = L"create \"C:\\Game\\Foo.exe\" --quillguard-launcher";
    const std::wstring handOver = create + L"; elevated?; release; runas C:\\Game\\Foo_QG.exe";
    const struct {
        std::wstring forwarded;
        std::uint32_t createError, shellError;  // 0: the game, or the elevated copy, starts
        bool elevated;
        LauncherError code;
        LaunchFailure launchFailure;
        std::wstring calls;  // joined by "; "
    } cases[] = {
        {L"-w", 0, 0, false, kSuccess, 0, L"create \"C:\\Game\\Foo.exe\" -w --quillguard-launcher"},
        {L"", 2, 0, false, kCreateProcessFailed, 2, create},
        {L"", 740, 0, true, kCreateProcessFailed, 740, create + L"; elevated?"},
        // No arguments: no parameters at all (no brackets), not an empty text.
        {L"", 5, 0, false, kSuccess, 0, handOver + L"; exit 0"},
        // The switch is for the game only; the copy gets the forwarded arguments alone.
        {L"-x", 740, 0, false, kSuccess, 0,
         L"create \"C:\\Game\\Foo.exe\" -x --quillguard-launcher; elevated?; release; "
         L"runas C:\\Game\\Foo_QG.exe [-x]; exit 0"},
        // The lock stays released: the process did not end.
        {L"", 740, 1223, false, kElevationRefused, 0, handOver},
        {L"", 5, 1155, false, kElevatedLaunchFailed, 1155, handOver},
    };
    for (const auto& c : cases) {
        testing::CallLog calls;
        testing::FakeProcesses processes(calls);
        testing::FakeInstanceLock lock(calls);
        processes.createError = c.createError;
        processes.shellError = c.shellError;
        processes.elevated = c.elevated;
        const LauncherFacts self{L"C:\\Game\\Foo_QG.exe", L"", c.forwarded, false};
        const FlowResult result = LaunchGame(L"C:\\Game\\Foo.exe", self, processes, lock);
        std::wstring joined;
        for (const std::wstring& call : calls) {
            joined += (joined.empty() ? L"" : L"; ") + call;
        }
        EXPECT_EQ(std::tie(result.code, result.launchFailure, joined),
                  std::tie(c.code, c.launchFailure, c.calls));
    }
}

}  // namespace
}  // namespace quillguard
