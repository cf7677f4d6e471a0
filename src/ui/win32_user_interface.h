#pragma once

#include "ui/user_interface.h"

namespace quillguard {

// The MessageBoxW style for a box with this icon: OK alone, with the information (0x40) or the
// error (0x10) icon.
unsigned MessageBoxStyle(MessageIcon icon);

// The user interface as Win32 windows.
class Win32UserInterface final : public UserInterface {
  public:
    void ShowMessage(const std::wstring& text, const std::wstring& caption,
                     MessageIcon icon) override;
};

}  // namespace quillguard
