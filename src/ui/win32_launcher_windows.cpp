#include "ui/win32_launcher_windows.h"

#include <string>
#include <utility>

#include "ui/win32_window_state.h"

namespace quillguard {
namespace {

// The state of the window thread that runs on this thread; null on every other thread.
thread_local WindowState* threadState = nullptr;

LRESULT CALLBACK SplashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (WindowState* state = threadState) {
        return SplashWindowMessage(*state, window, message, wParam, lParam);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// Waits for the event, or for the window thread to end first; true when the event came.
bool AwaitWindowThread(HANDLE event, HANDLE thread) {
    const HANDLE handles[] = {event, thread};
    return ::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0;
}

// "quillguard.bmp" in the current directory. Given a bare name, LoadImageW would search the
// program's own folder first; the picture belongs to the folder the launcher was started in.
std::wstring SplashPicturePath() {
    std::wstring folder(::GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    if (folder.empty()) {
        return {};
    }
    return folder + (folder.back() == L'\\' ? L"" : L"\\") + L"quillguard.bmp";
}

void RunWindowThread(WindowState& state) {
    threadState = &state;
    state.uiThreadId = ::GetCurrentThreadId();
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SplashWndProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassW(&windowClass);

    // Without the picture there is no splash.
    const UniqueGdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(
        ::LoadImageW(nullptr, SplashPicturePath().c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    state.splashBitmap = bitmap.get();
    const UniqueWindow splash(bitmap ? CreateSplashWindow(state) : nullptr);

    // Makes sure the thread has its message queue before the main thread may post to it.
    MSG message{};
    ::PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    ::SetEvent(state.readyEvent);

    // GetMessageW gives -1 on failure; that ends the loop as a quit would.
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_SHOW_EULA) {
            // The answer is stored before the main thread is woken to read it.
            state.eulaAccepted = AskForAgreement();
            ::SetEvent(state.eulaDoneEvent);
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }

    state.splashWindow = nullptr;
    threadState = nullptr;
    ::UnregisterClassW(kWindowClass, instance);
}

DWORD WINAPI WindowThreadProc(LPVOID parameter) {
    const std::unique_ptr<std::shared_ptr<WindowState>> shared(
        static_cast<std::shared_ptr<WindowState>*>(parameter));
    try {
        RunWindowThread(**shared);
    } catch (...) {
        // Out of memory: the thread ends, and the main thread's waits on it end with it.
    }
    return 0;
}

}  // namespace

Win32LauncherWindows::Win32LauncherWindows() : state_(std::make_shared<WindowState>()) {}

Win32LauncherWindows::~Win32LauncherWindows() = default;

void Win32LauncherWindows::StartSplashThread() {
    const UniqueKernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready) {
        return;  // without the event the start could not be awaited: no window thread
    }
    state_->readyEvent = ready.get();
    auto shared = std::make_unique<std::shared_ptr<WindowState>>(state_);
    UniqueKernelHandle thread(
        ::CreateThread(nullptr, 0, WindowThreadProc, shared.get(), 0, nullptr));
    if (!thread) {
        state_->readyEvent = nullptr;
        return;
    }
    static_cast<void>(shared.release());  // the thread owns it now
    // A thread that ended before it was ready is treated as none.
    if (AwaitWindowThread(ready.get(), thread.get())) {
        thread_ = std::move(thread);
    }
    state_->readyEvent = nullptr;
}

void Win32LauncherWindows::ShowSplash() {
    if (const HWND splash = state_->splashWindow) {
        ::ShowWindow(splash, SW_SHOW);
    }
}

void Win32LauncherWindows::HideSplash() {
    if (const HWND splash = state_->splashWindow) {
        ::ShowWindow(splash, SW_HIDE);
    }
}

void Win32LauncherWindows::CloseSplash() {
    // Cleared first, so that no later call can bring it back; the window thread destroys the
    // hidden window when it ends.
    if (const HWND splash = state_->splashWindow.exchange(nullptr)) {
        ::ShowWindow(splash, SW_HIDE);
    }
}

bool Win32LauncherWindows::RunEulaDialog() {
    if (!thread_) {
        return false;
    }
    const UniqueKernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) {
        return false;
    }
    state_->eulaAccepted = false;
    state_->eulaDoneEvent = done.get();
    const bool answered = ::PostThreadMessageW(state_->uiThreadId, WM_SHOW_EULA, 0, 0) &&
                          AwaitWindowThread(done.get(), thread_.get());
    state_->eulaDoneEvent = nullptr;
    return answered && state_->eulaAccepted;
}

}  // namespace quillguard
