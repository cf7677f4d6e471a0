#pragma once

#include "support/call_log.h"
#include "ui/user_interface.h"

namespace quillguard::testing {

// Records each message box as "message i|e CAPTION: TEXT".
class FakeUserInterface final : public UserInterface {
  public:
    explicit FakeUserInterface(CallLog& log) : log_(log) {}

    void ShowMessage(const std::wstring& text, const std::wstring& caption,
                     MessageIcon icon) override {
        const wchar_t* kind = icon == MessageIcon::Information ? L"i " : L"e ";
        log_.push_back(L"message " + std::wstring(kind) + caption + L": " + text);
    }

  private:
    CallLog& log_;
};

}  // namespace quillguard::testing
