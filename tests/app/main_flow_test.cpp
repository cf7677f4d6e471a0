#include "app/main_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillguard {
namespace {

// Records the main flow's calls in order.
class RecordingShell final : public LauncherShell {
  public:
    explicit RecordingShell(bool mutexAvailable) : mutexAvailable_(mutexAvailable) {}

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

    std::vector<std::wstring> calls;

  private:
    bool mutexAvailable_;
};

TEST(MainFlowTest, ASecondLauncherShowsTheInformationBoxAndExitsWithOne) {
    RecordingShell shell(false);
    EXPECT_EQ(RunMainFlow(shell), 1);
    // Nothing else runs and nothing is released: this process holds no mutex.
    EXPECT_EQ(shell.calls,
              (std::vector<std::wstring>{
                  L"acquire",
                  L"message i QuillGuard Launcher: Another instance is already running",
              }));
}

TEST(MainFlowTest, ASuccessfulRunReleasesTheMutexOnceAndExitsWithZero) {
    RecordingShell shell(true);
    EXPECT_EQ(RunMainFlow(shell), 0);
    EXPECT_EQ(shell.calls, (std::vector<std::wstring>{L"acquire", L"release"}));
}

}  // namespace
}  // namespace quillguard
