#pragma once

#include "app/main_flow.h"

namespace quillguard {

// The main flow's calls bound to the real mutex, message boxes and flows.
class Win32LauncherShell final : public LauncherShell {
  public:
    bool AcquireInstanceMutex() override;
    void ReleaseInstanceMutex() override;
    void ShowMessage(const std::wstring& text, const std::wstring& caption,
                     MessageIcon icon) override;
    FlowResult RunGameFlow() override;
};

}  // namespace quillguard
