#include "game/game_launch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillguard {
namespace {

// Plays the answers Windows can give to the launch's calls and records the calls in order.
class FakeProcesses final : public GameProcessPlatform {
  public:
    std::uint32_t createError = 0;  // 0: the game starts
    bool elevated = false;
    std::uint32_t shellError = 0;  // 0: the elevated launcher starts
    std::wstring forwarded;

    std::vector<std::wstring> calls;

    std::wstring GetLauncherPath() override { return L"C:\\Game\\Foo_QG.exe"; }
    std::wstring GetForwardedArguments() override { return forwarded; }
    bool StartGameProcess(const std::wstring& commandLine, std::uint32_t& error) override {
        calls.push_back(L"create " + commandLine);
        error = createError;
        return createError == 0;
    }
    bool IsProcessElevated() override {
        calls.push_back(L"elevated?");
        return elevated;
    }
    void ReleaseInstanceMutex() override { calls.push_back(L"release"); }
    bool StartElevatedLauncher(const std::wstring& launcherPath, const std::wstring& parameters,
                               std::uint32_t& error) override {
        calls.push_back(L"runas " + launcherPath + L" [" + parameters + L"]");
        error = shellError;
        return shellError == 0;
    }
    void EndProcess(std::uint32_t exitCode) override {
        calls.push_back(L"exit " + std::to_wstring(exitCode));
    }
};

const std::wstring kGame = L"C:\\Game\\Foo.exe";

TEST(BuildGameCommandLineTest, QuotesTheGameAndPutsTheSwitchLast) {
    EXPECT_EQ(BuildGameCommandLine(kGame, L""), L"\"C:\\Game\\Foo.exe\" --quillguard-launcher");
    EXPECT_EQ(BuildGameCommandLine(kGame, L"-windowed -lang=en"),
              L"\"C:\\Game\\Foo.exe\" -windowed -lang=en --quillguard-launcher");
    EXPECT_EQ(BuildGameCommandLine(L"D:\\My Games\\Foo.bin", L"\"a b\" --quillguard-launcher"),
              L"\"D:\\My Games\\Foo.bin\" \"a b\" --quillguard-launcher --quillguard-launcher");
}

TEST(LaunchGameTest, AStartedGameIsSuccessWithoutWaiting) {
    FakeProcesses processes;
    processes.forwarded = L"-windowed";
    const FlowResult result = LaunchGame(kGame, processes);
    EXPECT_EQ(result.code, kSuccess);
    EXPECT_EQ(
        processes.calls,
        std::vector<std::wstring>{L"create \"C:\\Game\\Foo.exe\" -windowed --quillguard-launcher"});
}

TEST(LaunchGameTest, OtherFailuresAreErrorTwentyWithoutAnElevationAttempt) {
    for (const std::uint32_t error : {2u, 193u, 1223u}) {
        FakeProcesses processes;
        processes.createError = error;
        const FlowResult result = LaunchGame(kGame, processes);
        EXPECT_EQ(result.code, kCreateProcessFailed);
        EXPECT_EQ(result.launchFailure, error);
        EXPECT_EQ(processes.calls.size(), 1u) << error;
    }
}

TEST(LaunchGameTest, AnElevatedLauncherDoesNotAskAgain) {
    for (const std::uint32_t error : {kErrorElevationRequired, kErrorAccessDenied}) {
        FakeProcesses processes;
        processes.createError = error;
        processes.elevated = true;
        const FlowResult result = LaunchGame(kGame, processes);
        EXPECT_EQ(result.code, kCreateProcessFailed);
        EXPECT_EQ(result.launchFailure, error);
        EXPECT_EQ(processes.calls.back(), L"elevated?");
    }
}

TEST(LaunchGameTest, HandsOverToAnElevatedCopyAfterReleasingTheMutex) {
    for (const std::uint32_t error : {kErrorElevationRequired, kErrorAccessDenied}) {
        FakeProcesses processes;
        processes.createError = error;
        processes.forwarded = L"\"a b\" -x";
        LaunchGame(kGame, processes);
        // The switch is for the game only; the copy gets the forwarded arguments alone.
        EXPECT_EQ(
            processes.calls,
            (std::vector<std::wstring>{
                L"create \"C:\\Game\\Foo.exe\" \"a b\" -x --quillguard-launcher", L"elevated?",
                L"release", L"runas C:\\Game\\Foo_QG.exe [\"a b\" -x]", L"exit 0"}));
    }
}

TEST(LaunchGameTest, AHandOverWithoutArgumentsPassesNone) {
    FakeProcesses processes;
    processes.createError = kErrorElevationRequired;
    LaunchGame(kGame, processes);
    EXPECT_EQ(processes.calls.at(3), L"runas C:\\Game\\Foo_QG.exe []");
}

TEST(LaunchGameTest, ARefusedPromptIsErrorEighteenAndAnyOtherFailureNineteen) {
    FakeProcesses refused;
    refused.createError = kErrorElevationRequired;
    refused.shellError = kErrorCancelled;
    const FlowResult refusal = LaunchGame(kGame, refused);
    EXPECT_EQ(refusal.code, kElevationRefused);
    EXPECT_EQ(refused.calls.back(), L"runas C:\\Game\\Foo_QG.exe []");

    FakeProcesses failed;
    failed.createError = kErrorAccessDenied;
    failed.shellError = 1155;  // no application is associated
    const FlowResult failure = LaunchGame(kGame, failed);
    EXPECT_EQ(failure.code, kElevatedLaunchFailed);
    EXPECT_EQ(failure.launchFailure, 1155u);
    // The mutex stays released: the process did not end.
    EXPECT_EQ(failed.calls.at(2), L"release");
    EXPECT_EQ(failed.calls.back(), L"runas C:\\Game\\Foo_QG.exe []");
}

}  // namespace
}  // namespace quillguard
