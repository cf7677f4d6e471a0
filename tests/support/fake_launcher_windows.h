#pragma once

#include "support/call_log.h"
#include "ui/eula_record.h"
#include "ui/launcher_windows.h"

namespace quillguard::testing {

// Records the window calls as "splash start|show|hide|close" and "eula dialog", answering the
// dialog as the user is scripted to.
class FakeLauncherWindows final : public LauncherWindows {
  public:
    FakeLauncherWindows(CallLog& log, bool userAccepts) : log_(log), userAccepts_(userAccepts) {}

    void StartSplashThread() override { log_.push_back(L"splash start"); }
    void ShowSplash() override { log_.push_back(L"splash show"); }
    void HideSplash() override { log_.push_back(L"splash hide"); }
    void CloseSplash() override { log_.push_back(L"splash close"); }
    bool RunEulaDialog() override {
        log_.push_back(L"eula dialog");
        return userAccepts_;
    }

  private:
    CallLog& log_;
    bool userAccepts_;
};

// A record that says accepted or not, logging "eula read" and "eula write".
class FakeEulaRecord final : public EulaRecord {
  public:
    FakeEulaRecord(CallLog& log, bool accepted) : log_(log), accepted_(accepted) {}

    bool IsAccepted() override {
        log_.push_back(L"eula read");
        return accepted_;
    }
    void RecordAcceptance() override { log_.push_back(L"eula write"); }

  private:
    CallLog& log_;
    bool accepted_;
};

}  // namespace quillguard::testing
