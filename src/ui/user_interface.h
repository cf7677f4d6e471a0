#pragma once

#include <string>

namespace quillguard {

enum class MessageIcon { Information, Error };

// What the main flow shows the player; the launcher binds it to Win32 windows, tests to a
// recorder.
class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // Shows a modal message box with an OK button and the icon, and returns once it is dismissed.
    virtual void ShowMessage(const std::wstring& text, const std::wstring& caption,
                             MessageIcon icon) = 0;
};

}  // namespace quillguard
