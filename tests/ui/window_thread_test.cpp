// The Win32 user interface under wine: whatever of the window thread cannot be made, the launcher
// never waits for ever; and the message boxes' style.
#include <gtest/gtest.h>

#include <string_view>
#include <thread>

#include "support/failing_call.h"
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

// The buttons are told apart by their handles: when "I Accept" could not be made, a command that
// comes from no control must not count as it. Closing the window then answers.
TEST(WindowThreadTest, ACommandWithoutAControlAnswersNothing) {
    Win32LauncherWindows windows({::CreateEventW, ::CreateThread, CreateWindowButAccept});
    windows.StartSplashThread();
    std::thread user([] {
        HWND eula = nullptr;
        while ((eula = ::FindWindowW(L"QuillGuard", L"QuillGuard Launcher")) == nullptr) {
            ::Sleep(20);
        }
        ::SendMessageW(eula, WM_COMMAND, 0, 0);
        ::SendMessageW(eula, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(windows.RunEulaDialog());
    user.join();
    EXPECT_EQ(::FindWindowW(L"QuillGuard", L"QuillGuard Launcher"), nullptr);
}

}  // namespace
}  // namespace quillguard
