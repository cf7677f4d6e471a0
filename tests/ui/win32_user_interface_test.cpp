// The Win32 user interface under wine: the EULA window's answers to the keyboard,
// the agreement's record in the registry, and the message boxes' style.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_handle.h"
#include "ui/eula_text.h"
#include "ui/win32_eula_record.h"
#include "ui/win32_launcher_windows.h"
#include "ui/win32_user_interface.h"

namespace quillguard {
namespace {

// A second launcher is told with the information icon, failures with the error icon; OK alone (0).
TEST(MessageBoxStyleTest, InformationAndErrorIcons) {
    EXPECT_EQ(MessageBoxStyle(MessageIcon::Information), 0x40u);
    EXPECT_EQ(MessageBoxStyle(MessageIcon::Error), 0x10u);
}

// Types into the window as a person would: it is brought to the front, and each chord's keys go
// down in order and up in reverse through the system's input queue to the control with the focus.
void Type(HWND window, const std::vector<std::vector<WORD>>& chords) {
    std::vector<INPUT> inputs;
    for (const auto& chord : chords) {
        for (const WORD key : chord) {
            inputs.push_back({.type = INPUT_KEYBOARD, .ki = {key, 0, 0, 0, 0}});
        }
        for (auto key = chord.rbegin(); key != chord.rend(); ++key) {
            inputs.push_back({.type = INPUT_KEYBOARD, .ki = {*key, 0, KEYEVENTF_KEYUP, 0, 0}});
        }
    }
    ::SetForegroundWindow(window);
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// This process's EULA window once it is shown, with its text in place; before that it may be half
// made. Other programs on the desktop may show windows captioned alike.
HWND ShownEulaWindow() {
    HWND window = nullptr;
    while ((window = ::FindWindowExW(nullptr, window, L"#32770", L"QuillGuard Launcher"))) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// The agreement is read with the keyboard: the focus starts on it, so Page Down and the arrows
// scroll it, and reading answers nothing. Then the user types the answer; Alt+F4 takes the close
// box's way. Clicks on the buttons are the end-to-end scenarios' way through the window.
TEST(EulaWindowTest, OnlyIAcceptAccepts) {
    const struct {
        const char* name;
        std::vector<std::vector<WORD>> keys;
        bool accepted;
    } cases[] = {
        {"Alt+F4", {{VK_MENU, VK_F4}}, false},
        {"Esc", {{VK_ESCAPE}}, false},
        {"Tab, Space", {{VK_TAB}, {VK_SPACE}}, true},
        // Enter on the text presses nothing; Shift+Tab goes round to "Cancel".
        {"Enter, Shift+Tab, Space", {{VK_RETURN}, {VK_SHIFT, VK_TAB}, {VK_SPACE}}, false},
        {"Shift+Tab twice, Enter", {{VK_SHIFT, VK_TAB}, {VK_SHIFT, VK_TAB}, {VK_RETURN}}, true},
    };
    for (const auto& c : cases) {
        Win32LauncherWindows windows;
        windows.StartSplashThread();
        std::wstring shown;
        LRESULT firstLine = 0;
        bool stillOpen = false;
        std::thread user([&] {
            HWND eula = nullptr;
            for (int wait = 0; wait < 1500 && (eula = ShownEulaWindow()) == nullptr; ++wait) {
                ::Sleep(20);
            }
            if (eula == nullptr) {
                return;
            }
            const HWND text = ::FindWindowExW(eula, nullptr, L"Edit", nullptr);
            shown.resize(static_cast<std::size_t>(::GetWindowTextLengthW(text)) + 1);
            shown.resize(static_cast<std::size_t>(
                ::GetWindowTextW(text, shown.data(), static_cast<int>(shown.size()))));
            Type(eula, {{VK_NEXT}, {VK_DOWN}});
            for (int wait = 0; wait < 1500 && firstLine == 0; ++wait) {
                ::Sleep(20);
                firstLine = ::SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0);
            }
            Type(eula, c.keys);
            // The window goes once it has answered. One that stays is ended with its thread, so
            // that the run goes on to tell.
            for (int wait = 0; wait < 500 && ::IsWindow(eula); ++wait) {
                ::Sleep(20);
            }
            stillOpen = ::IsWindow(eula) != FALSE;
            ::PostThreadMessageW(::GetWindowThreadProcessId(eula, nullptr), WM_QUIT, 0, 0);
        });
        EXPECT_EQ(windows.RunEulaDialog(), c.accepted) << c.name;
        user.join();
        EXPECT_GT(firstLine, 0) << c.name;
        EXPECT_EQ(shown, EulaText()) << c.name;
        EXPECT_FALSE(stillOpen) << c.name;
    }
}

// The record's value, if it is a REG_DWORD.
std::optional<DWORD> Record(HKEY root) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS status = ::RegGetValueW(root, L"SOFTWARE\\QuillGuard", L"EULA", RRF_RT_REG_DWORD,
                                          nullptr, &value, &size);
    return status == ERROR_SUCCESS ? std::optional(value) : std::nullopt;
}

// Only four bytes that read 1 count, whatever the value's type; accepting writes the REG_DWORD 1
// over whatever was there, except in a key the user may read but not write (the next start asks
// again). HKEY_CURRENT_USER is a scratch key meanwhile, so the prefix's own record is untouched.
TEST(Win32EulaRecordTest, OnlyFourBytesReadingOneAreAcceptance) {
    const struct {
        DWORD type;
        std::vector<std::uint8_t> bytes;
        bool accepted;
        bool readOnly = false;
    } cases[] = {
        {REG_NONE, {}, false},
        {REG_DWORD, {1, 0, 0, 0}, true},
        {REG_BINARY, {1}, true},
        {REG_BINARY, {1, 0, 0, 0, 0}, false},
        {REG_DWORD, {0, 0, 0, 0}, false, true},
    };
    constexpr wchar_t kScratch[] = L"Software\\QuillGuardTests";
    for (const auto& c : cases) {
        const std::string shown = std::to_string(c.type) + " of " + std::to_string(c.bytes.size());
        UniqueRegistryKey scratch;
        UniqueRegistryKey key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, scratch.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, scratch.get()), ERROR_SUCCESS);
        if (c.type != REG_NONE) {
            ::RegCreateKeyExW(scratch.get(), L"SOFTWARE\\QuillGuard", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.put(), nullptr);
            ::RegSetValueExW(key.get(), L"EULA", 0, c.type, c.bytes.data(),
                             static_cast<DWORD>(c.bytes.size()));
        }
        UniqueLocalMemory readOnly;
        if (c.readOnly) {
            ::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                L"D:P(A;;KRWDSD;;;WD)", SDDL_REVISION_1,
                reinterpret_cast<PSECURITY_DESCRIPTOR*>(readOnly.put()), nullptr);
            ASSERT_EQ(::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, readOnly.get()),
                      ERROR_SUCCESS);
        }
        Win32EulaRecord record;
        EXPECT_EQ(record.IsAccepted(), c.accepted) << shown;
        record.RecordAcceptance();
        EXPECT_EQ(Record(scratch.get()), std::optional<DWORD>(c.readOnly ? 0 : 1)) << shown;
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    }
}

}  // namespace
}  // namespace quillguard
