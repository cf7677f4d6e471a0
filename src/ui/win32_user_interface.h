#pragma once

#include "ui/user_interface.h"

namespace quillguard {

// The user interface as Win32 windows.
class Win32UserInterface final : public UserInterface {
  public:
    void ShowMessage(const std::wstring& text, const std::wstring& caption,
                     MessageIcon icon) override;
};

}  // namespace quillguard
