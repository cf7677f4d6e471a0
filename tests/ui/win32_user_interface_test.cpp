// The Win32 user interface under wine: the EULA window's answers, the agreement's record in the
// registry, whatever of the window thread cannot be made (the launcher never waits for ever), and
// the message boxes' style.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/unique_handle.h"
#include "support/failing_call.h"
#include "ui/eula_text.h"
#include "ui/win32_eula_record.h"
#include "ui/win32_launcher_windows.h"
#include "ui/win32_user_interface.h"

namespace quillguard {
namespace {

using testing::FailWithNoMemory;

// A second launcher is told with the information icon, every failure with the error icon; both
// boxes have the OK button alone (0).
TEST(MessageBoxStyleTest, InformationAndErrorIcons) {
    EXPECT_EQ(MessageBoxStyle(MessageIcon::Information), 0x40u);
    EXPECT_EQ(MessageBoxStyle(MessageIcon::Error), 0x10u);
}

int eventsLeft = 0;  // events that may still be created
DWORD windowThreadId = 0;

HANDLE WINAPI CountedCreateEvent(LPSECURITY_ATTRIBUTES attributes, BOOL manual, BOOL initial,
                                 LPCWSTR name) {
    return eventsLeft-- > 0 ? ::CreateEventW(attributes, manual, initial, name)
                            : FailWithNoMemory<HANDLE>(attributes, manual, initial, name);
}

HANDLE WINAPI RecordingCreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stack,
                                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                    LPDWORD id) {
    const HANDLE thread = ::CreateThread(attributes, stack, start, parameter, flags, id);
    windowThreadId = ::GetThreadId(thread);
    return thread;
}

// Without the ready event or the thread there is no window thread; without the window, or once
// the thread has gone, nobody can be asked: the agreement is not accepted, at once.
TEST(WindowThreadTest, NothingWaitsForWindowsThatCannotBe) {
    struct Case {
        const char* name;
        int events;
        WindowCalls calls;
        bool endTheWindowThread = false;
    };
    const Case cases[] = {
        {"no ready event", 0, {CountedCreateEvent, ::CreateThread, ::CreateWindowExW}},
        {"no thread", 2, {CountedCreateEvent, FailWithNoMemory, ::CreateWindowExW}},
        {"no EULA done event", 1, {CountedCreateEvent, ::CreateThread, ::CreateWindowExW}},
        {"no window", 2, {CountedCreateEvent, ::CreateThread, FailWithNoMemory}},
        {"thread gone", 2, {CountedCreateEvent, RecordingCreateThread, ::CreateWindowExW}, true},
    };
    for (const Case& c : cases) {
        eventsLeft = c.events;
        Win32LauncherWindows windows(c.calls);
        windows.StartSplashThread();
        windows.HideSplash();
        windows.ShowSplash();
        if (c.endTheWindowThread) {
            ASSERT_TRUE(::PostThreadMessageW(windowThreadId, WM_QUIT, 0, 0)) << c.name;
        }
        EXPECT_FALSE(windows.RunEulaDialog()) << c.name;
        windows.CloseSplash();
    }
}

HWND WINAPI CreateWindowButAccept(DWORD exStyle, LPCWSTR className, LPCWSTR text, DWORD style,
                                  int x, int y, int width, int height, HWND parent, HMENU menu,
                                  HINSTANCE instance, LPVOID parameter) {
    if (text != nullptr && std::wstring_view(text) == L"I Accept") {
        return nullptr;
    }
    return ::CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent, menu,
                             instance, parameter);
}

// The window is shown once its controls exist; before that it may be found half made.
HWND AwaitEulaWindow() {
    HWND eula = nullptr;
    while ((eula = ::FindWindowW(L"QuillGuard", L"QuillGuard Launcher")) == nullptr ||
           !::IsWindowVisible(eula)) {
        ::Sleep(20);
    }
    return eula;
}

// The buttons are told apart by their handles: when "I Accept" could not be made, a command that
// comes from no control must not count as it. Closing the window then answers.
TEST(WindowThreadTest, ACommandWithoutAControlAnswersNothing) {
    Win32LauncherWindows windows({::CreateEventW, ::CreateThread, CreateWindowButAccept});
    windows.StartSplashThread();
    std::thread user([] {
        const HWND eula = AwaitEulaWindow();
        ::SendMessageW(eula, WM_COMMAND, 0, 0);
        ::SendMessageW(eula, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(windows.RunEulaDialog());
    user.join();
    EXPECT_EQ(::FindWindowW(L"QuillGuard", L"QuillGuard Launcher"), nullptr);
}

// What the mouse does to a button: its click reaches the window as a command from the button.
void Press(HWND eula, const wchar_t* label) {
    ::SendMessageW(eula, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::FindWindowExW(eula, nullptr, L"Button", label)));
}

// Clicks into the agreement and the line above it, and scrolls the agreement: none of it answers.
void ReadTheAgreement(HWND eula, HWND text) {
    for (const HWND control : {text, ::FindWindowExW(eula, nullptr, L"Static", nullptr)}) {
        ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    ::SendMessageW(text, WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<WORD>(-WHEEL_DELTA)) << 16,
                   0);
    ::SendMessageW(text, WM_VSCROLL, SB_PAGEDOWN, 0);
}

TEST(EulaWindowTest, OnlyIAcceptAccepts) {
    constexpr LPARAM kAltDown = 1 << 29;
    const struct {
        const char* name;
        std::function<void(HWND)> answer;
        bool accepted;
    } cases[] = {
        {"I Accept", [](HWND eula) { Press(eula, L"I Accept"); }, true},
        {"Cancel", [](HWND eula) { Press(eula, L"Cancel"); }, false},
        {"close box", [](HWND eula) { ::PostMessageW(eula, WM_SYSCOMMAND, SC_CLOSE, 0); }, false},
        {"Alt+F4", [](HWND eula) { ::PostMessageW(eula, WM_SYSKEYDOWN, VK_F4, kAltDown); }, false},
    };
    for (const auto& c : cases) {
        Win32LauncherWindows windows;
        windows.StartSplashThread();
        std::wstring shown;
        bool stillAsking = false;
        HWND eula = nullptr;
        std::thread user([&] {
            eula = AwaitEulaWindow();
            const HWND text = ::FindWindowExW(eula, nullptr, L"Edit", nullptr);
            shown.resize(static_cast<std::size_t>(::GetWindowTextLengthW(text)) + 1);
            shown.resize(static_cast<std::size_t>(
                ::GetWindowTextW(text, shown.data(), static_cast<int>(shown.size()))));
            ReadTheAgreement(eula, text);
            stillAsking = ::IsWindowVisible(eula) != FALSE;
            c.answer(eula);
            // The window goes once it has answered; the next case must not find it.
            for (int wait = 0; wait < 1500 && ::IsWindow(eula); ++wait) {
                ::Sleep(20);
            }
        });
        EXPECT_EQ(windows.RunEulaDialog(), c.accepted) << c.name;
        user.join();
        EXPECT_TRUE(stillAsking) << c.name;
        EXPECT_EQ(shown, EulaText()) << c.name;
        EXPECT_FALSE(::IsWindow(eula)) << c.name;
    }
}

// The value's type and bytes as the registry holds them, or "none".
std::string Record(HKEY root) {
    DWORD type = 0;
    std::uint8_t data[16] = {};
    DWORD size = sizeof(data);
    if (::RegGetValueW(root, L"SOFTWARE\\QuillGuard", L"EULA", RRF_RT_ANY | RRF_NOEXPAND, &type,
                       data, &size) != ERROR_SUCCESS) {
        return "none";
    }
    std::string text = std::to_string(type);
    for (DWORD i = 0; i < size; ++i) {
        text += " " + std::to_string(data[i]);
    }
    return text;
}

// Only four bytes that read 1 count, whatever the value's type; accepting writes the REG_DWORD 1
// over whatever was there, except in a key the user may read but not write: the launcher goes on
// without a record, and the next start asks again. HKEY_CURRENT_USER is a scratch key meanwhile,
// so that the prefix's own record is not touched.
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
        const std::string before = Record(scratch.get());
        Win32EulaRecord record;
        EXPECT_EQ(record.IsAccepted(), c.accepted) << shown;
        record.RecordAcceptance();
        EXPECT_EQ(Record(scratch.get()), c.readOnly ? before : "4 1 0 0 0") << shown;
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    }
}

}  // namespace
}  // namespace quillguard
