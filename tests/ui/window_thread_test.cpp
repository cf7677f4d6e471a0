// The window thread under wine: whatever of it cannot be made, the launcher never waits for ever.
#include <gtest/gtest.h>

#include <string_view>
#include <thread>

#include "ui/win32_launcher_windows.h"

namespace quillguard {
namespace {

int eventsLeft = 0;  // events that may still be created
DWORD windowThreadId = 0;

HANDLE WINAPI CountedCreateEvent(LPSECURITY_ATTRIBUTES attributes, BOOL manual, BOOL initial,
                                 LPCWSTR name) {
    if (eventsLeft-- <= 0) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return ::CreateEventW(attributes, manual, initial, name);
}

HANDLE WINAPI FailingCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID,
                                  DWORD, LPDWORD) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

HANDLE WINAPI RecordingCreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stack,
                                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                    LPDWORD id) {
    const HANDLE thread = ::CreateThread(attributes, stack, start, parameter, flags, id);
    windowThreadId = ::GetThreadId(thread);
    return thread;
}

HWND WINAPI FailingCreateWindow(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU,
                                HINSTANCE, LPVOID) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

enum class Then { Nothing, EndTheWindowThread };

struct NoHangCase {
    const char* name;
    int events;
    WindowCalls calls;
    Then then;
};

// Without the ready event or the thread there is no window thread; without the window, or once
// the thread has gone, nobody can be asked: the agreement is not accepted, at once.
TEST(WindowThreadTest, NothingWaitsForWindowsThatCannotBe) {
    const NoHangCase cases[] = {
        {"no ready event",
         0,
         {CountedCreateEvent, ::CreateThread, ::CreateWindowExW},
         Then::Nothing},
        {"no thread",
         2,
         {CountedCreateEvent, FailingCreateThread, ::CreateWindowExW},
         Then::Nothing},
        {"no EULA done event",
         1,
         {CountedCreateEvent, ::CreateThread, ::CreateWindowExW},
         Then::Nothing},
        {"no window", 2, {CountedCreateEvent, ::CreateThread, FailingCreateWindow}, Then::Nothing},
        {"thread gone",
         2,
         {CountedCreateEvent, RecordingCreateThread, ::CreateWindowExW},
         Then::EndTheWindowThread},
    };
    for (const NoHangCase& c : cases) {
        eventsLeft = c.events;
        Win32LauncherWindows windows(c.calls);
        windows.StartSplashThread();
        windows.HideSplash();
        windows.ShowSplash();
        if (c.then == Then::EndTheWindowThread) {
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
