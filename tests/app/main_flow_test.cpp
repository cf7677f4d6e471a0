#include "app/main_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillguard {
namespace {

// Records the main flow's calls in order.
class RecordingShell final : public LauncherShell {
  public:
    RecordingShell(bool mutexAvailable, FlowResult gameResult)
        : mutexAvailable_(mutexAvailable), gameResult_(gameResult) {}

    bool AcquireInstanceMutex() override {
        calls.push_back(L"acquire");
        return mutexAvailable_;
    }
    void ReleaseInstanceMutex() override { calls.push_back(L"release"); }
    void ShowMessage(const std::wstring& text, const std::wstring& caption,
                     MessageIcon icon) override {
        calls.push_back(L"message " +
                        std::wstring(icon == MessageIcon::Information ? L"i " : L"e ") + caption +
                        L": " + text);
    }
    FlowResult RunGameFlow() override {
        calls.push_back(L"game");
        return gameResult_;
    }

    std::vector<std::wstring> calls;

  private:
    bool mutexAvailable_;
    FlowResult gameResult_;
};

TEST(MainFlowTest, ASecondLauncherShowsTheInformationBoxAndExitsWithOne) {
    RecordingShell shell(false, {});
    EXPECT_EQ(RunMainFlow(shell), 1);
    // Nothing else runs and nothing is released: this process holds no mutex.
    EXPECT_EQ(shell.calls,
              (std::vector<std::wstring>{
                  L"acquire",
                  L"message i QuillGuard Launcher: Another instance is already running",
              }));
}

TEST(MainFlowTest, AStartedGameReleasesTheMutexOnceAndExitsWithZero) {
    RecordingShell shell(true, {kSuccess, 0});
    EXPECT_EQ(RunMainFlow(shell), 0);
    EXPECT_EQ(shell.calls, (std::vector<std::wstring>{L"acquire", L"game", L"release"}));
}

TEST(MainFlowTest, AGameFlowErrorIsShownUnderItsCaptionBeforeTheMutexIsReleased) {
    RecordingShell shell(true, {kClientTargetNotFound, 0});
    EXPECT_EQ(RunMainFlow(shell), 1);
    EXPECT_EQ(
        shell.calls,
        (std::vector<std::wstring>{
            L"acquire", L"game",
            L"message e Game Update Error: Could not find a valid QGClient target executable.",
            L"release"}));
}

TEST(MainFlowTest, TheLaunchFailureTravelsIntoTheMessage) {
    RecordingShell shell(true, {kCreateProcessFailed, 740});
    EXPECT_EQ(RunMainFlow(shell), 1);
    EXPECT_EQ(shell.calls.at(2), L"message e Game Update Error: CreateProcessW failed. Error=740");
}

}  // namespace
}  // namespace quillguard
