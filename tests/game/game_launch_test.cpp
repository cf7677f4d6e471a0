#include "game/game_launch.h"

#include <gtest/gtest.h>

#include "support/fake_instance_lock.h"
#include "support/fake_processes.h"

namespace quillguard {
namespace {

using testing::CallLog;

const std::wstring kGame = L"C:\\Game\\Foo.exe";

TEST(BuildGameCommandLineTest, QuotesTheGameAndPutsTheSwitchLast) {
    EXPECT_EQ(BuildGameCommandLine(kGame, L""), L"\"C:\\Game\\Foo.exe\" --quillguard-launcher");
    EXPECT_EQ(BuildGameCommandLine(L"D:\\My Games\\Foo.bin", L"\"a b\" -x"),
              L"\"D:\\My Games\\Foo.bin\" \"a b\" -x --quillguard-launcher");
}

struct LaunchCase {
    const char* name;
    std::wstring forwarded;
    std::uint32_t createError;
    bool elevated;
    std::uint32_t shellError;
    FlowResult result;
    CallLog calls;
};

// Every answer Windows can give to the launch, and what the launcher does with it.
TEST(LaunchGameTest, ElevatesOnlyWhenWindowsDemandsItAndTheLauncherIsNotElevated) {
    const std::wstring create = L"create \"C:\\Game\\Foo.exe\" --quillguard-launcher";
    const std::wstring runas = L"runas C:\\Game\\Foo_QG.exe";
    const LaunchCase cases[] = {
        {"started",
         L"-w",
         0,
         false,
         0,
         {kSuccess, 0},
         {L"create \"C:\\Game\\Foo.exe\" -w --quillguard-launcher"}},
        {"not found", L"", 2, false, 0, {kCreateProcessFailed, 2}, {create}},
        {"bad image", L"", 193, false, 0, {kCreateProcessFailed, 193}, {create}},
        {"740 while elevated",
         L"",
         740,
         true,
         0,
         {kCreateProcessFailed, 740},
         {create, L"elevated?"}},
        {"5 while elevated", L"", 5, true, 0, {kCreateProcessFailed, 5}, {create, L"elevated?"}},
        // The switch is for the game only; the copy gets the forwarded arguments alone.
        {"740 hands over",
         L"\"a b\" -x",
         740,
         false,
         0,
         {kSuccess, 0},
         {L"create \"C:\\Game\\Foo.exe\" \"a b\" -x --quillguard-launcher", L"elevated?",
          L"release", runas + L" [\"a b\" -x]", L"exit 0"}},
        // No arguments: no parameters at all, not an empty text.
        {"5 hands over",
         L"",
         5,
         false,
         0,
         {kSuccess, 0},
         {create, L"elevated?", L"release", runas, L"exit 0"}},
        {"prompt refused",
         L"",
         740,
         false,
         1223,
         {kElevationRefused, 0},
         {create, L"elevated?", L"release", runas}},
        // The lock stays released: the process did not end.
        {"runas failed",
         L"",
         5,
         false,
         1155,
         {kElevatedLaunchFailed, 1155},
         {create, L"elevated?", L"release", runas}},
    };
    for (const LaunchCase& c : cases) {
        CallLog calls;
        testing::FakeProcesses processes(calls);
        testing::FakeInstanceLock lock(calls);
        processes.forwarded = c.forwarded;
        processes.createError = c.createError;
        processes.elevated = c.elevated;
        processes.shellError = c.shellError;
        const FlowResult result = LaunchGame(kGame, processes, lock);
        EXPECT_EQ(result.code, c.result.code) << c.name;
        EXPECT_EQ(result.launchFailure, c.result.launchFailure) << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
    }
}

}  // namespace
}  // namespace quillguard
