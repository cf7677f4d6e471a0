// Plays the person in front of the launcher for the end-to-end tests: runs a script of steps
// (holding mutexes, starting programs, answering message boxes, waiting for the script) separated
// by a lone "--", and stops at the first step that does not see what it expects.
// Exit status: 0 all steps passed, 1 a step failed, 2 the script is malformed.
#include <windows.h>

#include <sddl.h>

#include <fcntl.h>
#include <io.h>

#include <array>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/quote_argument.h"
#include "base/unique_handle.h"
#include "ui/eula_record.h"
#include "ui/eula_text.h"

namespace {

using quillguard::UniqueKernelHandle;
using Args = std::span<const std::wstring>;

constexpr DWORD kPollIntervalMs = 50;
constexpr DWORD kDefaultWindowTimeoutMs = 15000;
constexpr DWORD kDefaultExitTimeoutMs = 30000;
constexpr DWORD kTerminateWaitMs = 5000;
// A click whose handler opens a nested modal dialog only returns once that closes; past this the
// driver carries on so that a later step can answer that dialog.
constexpr UINT kPressTimeoutMs = 5000;
// Room for the script to act while the run is held.
constexpr DWORD kHoldTimeoutMs = 60000;
// Distinctive, so that a process the driver had to kill is recognisable in any log.
constexpr UINT kTerminatedExitCode = 0xDEAD;
// The control id of a message box's text.
constexpr int kMessageTextId = 0xFFFF;

struct StepFailure {
    std::wstring expected;
    std::wstring seen;
};

[[noreturn]] void Fail(std::wstring expected, std::wstring seen) {
    throw StepFailure{std::move(expected), std::move(seen)};
}

// Line breaks inside the text are escaped so that each observation stays on one line of the log.
void WriteLine(FILE* stream, std::wstring_view text) {
    std::wstring line;
    for (const wchar_t c : text) {
        line += c == L'\n' ? L"\\n" : c == L'\r' ? L"\\r" : std::wstring(1, c);
    }
    line.push_back(L'\n');
    const int length = static_cast<int>(line.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, line.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), length, bytes.data(), size, nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), stream);
    fflush(stream);
}

std::wstring Quoted(std::wstring_view text) {
    return L"\"" + std::wstring(text) + L"\"";
}

// Decimal, possibly negative (a coordinate), or hexadecimal after "0x" (styles, NTSTATUS codes).
DWORD Number(const std::wstring& text) {
    const bool hex = text.starts_with(L"0x");
    const bool negative = text.starts_with(L"-");
    const wchar_t* digits = text.c_str() + (hex ? 2 : negative ? 1 : 0);
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(digits, &end, hex ? 16 : 10);
    if (!iswxdigit(*digits) || *end != L'\0' || value > (negative ? 1000000 : MAXDWORD)) {
        Fail(L"a number", Quoted(text));
    }
    return negative ? static_cast<DWORD>(-static_cast<long long>(value))
                    : static_cast<DWORD>(value);
}

DWORD OptionalNumber(Args args, std::size_t index, DWORD fallback) {
    return index < args.size() ? Number(args[index]) : fallback;
}

struct Session {
    // Nothing the script started may outlive it.
    ~Session() {
        if (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.get(), kTerminatedExitCode);
            WaitForSingleObject(process.get(), kTerminateWaitMs);
        }
    }

    std::vector<UniqueKernelHandle> mutexes;
    UniqueKernelHandle process;
    UniqueKernelHandle mainThread;
    DWORD pid = 0;        // 0 until a process is started: windows of any process are then accepted
    std::wstring folder;  // where programs start; empty: the program's own folder
};

std::optional<DWORD> ExitCode(const Session& session) {
    DWORD code = 0;
    if (WaitForSingleObject(session.process.get(), 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(session.process.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// For another process's window this reads the stored caption without sending it a message, so a
// hung program cannot hang the driver.
std::wstring CaptionOf(HWND window) {
    wchar_t caption[512] = {};
    GetWindowTextW(window, caption, 512);
    return caption;
}

// Asked of the control itself: for another process's window, GetWindowTextW gives only the
// stored caption, which an edit control does not keep.
std::wstring FullTextOf(HWND control) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPressTimeoutMs,
                        &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kPressTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

std::wstring BoxText(HWND box) {
    return FullTextOf(GetDlgItem(box, kMessageTextId));
}

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// An '&' only underlines the letter after it, so every one is dropped; no label the launcher shows
// holds a literal '&' (written "&&"), which this would drop too.
std::wstring WithoutAccelerators(std::wstring label) {
    std::erase(label, L'&');
    return label;
}

struct WindowQuery {
    std::wstring_view className;  // "*" for any
    std::wstring_view caption;    // "*" for any
    DWORD pid = 0;                // 0 for any process
};

// Top-level windows when `parent` is null, else the descendants of `parent`.
std::vector<HWND> Windows(HWND parent) {
    std::vector<HWND> windows;
    const WNDENUMPROC collect = [](HWND window, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
        return TRUE;
    };
    const auto param = reinterpret_cast<LPARAM>(&windows);
    parent == nullptr ? EnumWindows(collect, param) : EnumChildWindows(parent, collect, param);
    return windows;
}

// Top-level windows that match, only the visible ones unless told otherwise.
std::vector<HWND> FindWindows(const WindowQuery& query, bool visibleOnly = true) {
    std::vector<HWND> found;
    for (const HWND window : Windows(nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if ((query.pid == 0 || owner == query.pid) && (!visibleOnly || IsWindowVisible(window)) &&
            (query.className == L"*" || SameIgnoringCase(ClassOf(window), query.className)) &&
            (query.caption == L"*" || CaptionOf(window) == query.caption)) {
            found.push_back(window);
        }
    }
    return found;
}

HWND FindWindowMatching(const WindowQuery& query, bool visibleOnly = true) {
    const std::vector<HWND> found = FindWindows(query, visibleOnly);
    return found.empty() ? nullptr : found.front();
}

std::wstring Describe(const WindowQuery& query) {
    return L"visible window of class " + Quoted(query.className) + L" captioned " +
           Quoted(query.caption) + L" of pid " + std::to_wstring(query.pid);
}

std::wstring DescribeVisibleWindows(DWORD pid) {
    std::wstring text;
    for (const HWND window : FindWindows({L"*", L"*", pid})) {
        text += (text.empty() ? L"" : L", ") + ClassOf(window) + L" " + Quoted(CaptionOf(window));
    }
    return text.empty() ? L"none" : text;
}

// Polls until the probe finds a window. A window of the started process cannot appear once it has
// exited, so that ends the wait early.
template <typename Probe>
HWND Await(const Session& session, const WindowQuery& query, DWORD timeoutMs,
           const std::wstring& expected, Probe probe) {
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; Sleep(kPollIntervalMs)) {
        if (const HWND found = probe()) {
            return found;
        }
        if (query.pid != 0) {
            if (const std::optional<DWORD> code = ExitCode(session)) {
                Fail(expected, L"the process exited first, with code " + std::to_wstring(*code));
            }
        }
        if (GetTickCount64() >= deadline) {
            Fail(expected, L"none within " + std::to_wstring(timeoutMs) +
                               L" ms; visible windows: " + DescribeVisibleWindows(query.pid));
        }
    }
}

HWND AwaitVisibleWindow(const Session& session, const std::wstring& className,
                        const std::wstring& caption, DWORD timeoutMs = kDefaultWindowTimeoutMs) {
    const WindowQuery query{className, caption, session.pid};
    return Await(session, query, timeoutMs, L"a " + Describe(query),
                 [&] { return FindWindowMatching(query); });
}

// Asks the probe until it gives the wanted state or the time is up, and returns the last answer.
template <typename Probe>
std::wstring AwaitState(DWORD timeoutMs, const std::wstring& wanted, Probe probe) {
    std::wstring state = probe();
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;
         state != wanted && GetTickCount64() < deadline; state = probe()) {
        Sleep(kPollIntervalMs);
    }
    return state;
}

HWND FindButton(HWND window, const std::wstring& label) {
    for (const HWND child : Windows(window)) {
        // A person can neither see nor click a hidden or disabled button.
        if (IsWindowVisible(child) && IsWindowEnabled(child) &&
            SameIgnoringCase(ClassOf(child), L"Button") &&
            WithoutAccelerators(CaptionOf(child)) == label) {
            return child;
        }
    }
    return nullptr;
}

void Launch(Session& session, const std::wstring& exe, std::wstring commandLine) {
    if (session.process && !ExitCode(session)) {
        Fail(L"no started process still running",
             L"pid " + std::to_wstring(session.pid) + L" is still running");
    }
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(exe, error);
    const std::wstring shown = L": " + commandLine;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const std::wstring folder =
        session.folder.empty() ? path.parent_path().native() : session.folder;
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info)) {
        Fail(L"to start " + Quoted(path.native()), L"error " + std::to_wstring(GetLastError()));
    }
    session.mainThread = UniqueKernelHandle(info.hThread);
    session.process = UniqueKernelHandle(info.hProcess);
    session.pid = info.dwProcessId;
    WriteLine(stdout, L"start: pid " + std::to_wstring(session.pid) + shown);
}

void HoldMutex(Session& session, Args args) {
    UniqueKernelHandle mutex(CreateMutexW(nullptr, TRUE, args[0].c_str()));
    const DWORD error = GetLastError();
    if (!mutex) {
        Fail(L"to create mutex " + Quoted(args[0]), L"error " + std::to_wstring(error));
    }
    if (error == ERROR_ALREADY_EXISTS) {
        Fail(L"mutex " + Quoted(args[0]) + L" not to exist yet", L"it already existed");
    }
    session.mutexes.push_back(std::move(mutex));
    WriteLine(stdout, L"mutex: " + args[0] + L": held");
}

std::wstring MutexState(const std::wstring& name) {
    const UniqueKernelHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
    const DWORD error = GetLastError();
    // Access denied still proves that the mutex exists.
    if (mutex || error == ERROR_ACCESS_DENIED) {
        return L"held";
    }
    return error == ERROR_FILE_NOT_FOUND ? L"free" : L"unknown: error " + std::to_wstring(error);
}

void ExpectMutex(Session&, Args args) {
    const std::wstring state =
        AwaitState(OptionalNumber(args, 2, 0), args[1], [&] { return MutexState(args[0]); });
    WriteLine(stdout, L"mutex: " + args[0] + L": " + state);
    if (state != args[1]) {
        Fail(L"mutex " + Quoted(args[0]) + L" " + args[1], state);
    }
}

void Start(Session& session, Args args) {
    // The program name is quoted plainly: argv[0] is split without backslash escapes.
    std::wstring commandLine = L"\"" + args[0] + L"\"";
    for (const std::wstring& argument : args.subspan(1)) {
        commandLine += L" " + quillguard::QuoteArgument(argument);
    }
    Launch(session, args[0], std::move(commandLine));
}

void InFolder(Session& session, Args args) {
    session.folder = args[0];
    WriteLine(stdout, L"folder: " + session.folder);
}

void ExpectBox(Session& session, Args args) {
    const std::wstring text = BoxText(AwaitVisibleWindow(
        session, L"#32770", args[0], OptionalNumber(args, 2, kDefaultWindowTimeoutMs)));
    WriteLine(stdout, L"box: " + args[0] + L": " + text);
    if (text != args[1]) {
        Fail(L"text " + Quoted(args[1]), L"text " + Quoted(text));
    }
}

void Press(Session& session, Args args) {
    const WindowQuery query{L"*", args[0], session.pid};
    const std::wstring label = WithoutAccelerators(args[1]);
    const HWND button = Await(session, query, kDefaultWindowTimeoutMs,
                              L"button " + Quoted(label) + L" in a " + Describe(query), [&] {
                                  for (const HWND window : FindWindows(query)) {
                                      if (const HWND found = FindButton(window, label)) {
                                          return found;
                                      }
                                  }
                                  return HWND{};
                              });
    // Sent, not posted: once a message box has handled the click it is hidden, so the next step
    // cannot mistake it for one still waiting.
    const auto command = MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED);
    SendMessageTimeoutW(GetParent(button), WM_COMMAND, command, reinterpret_cast<LPARAM>(button),
                        SMTO_ABORTIFHUNG, kPressTimeoutMs, nullptr);
    WriteLine(stdout, L"press: " + args[0] + L": " + label);
}

void ExpectExit(Session& session, Args args) {
    const DWORD wanted = Number(args[0]);
    const DWORD timeoutMs = OptionalNumber(args, 1, kDefaultExitTimeoutMs);
    const std::wstring expected = L"exit code " + std::to_wstring(wanted);
    if (!session.process) {
        Fail(expected, L"no process was started");
    }
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; Sleep(kPollIntervalMs)) {
        if (const std::optional<DWORD> code = ExitCode(session)) {
            WriteLine(stdout, L"exit: " + std::to_wstring(*code));
            if (*code != wanted) {
                Fail(expected, L"exit code " + std::to_wstring(*code));
            }
            return;
        }
        // A box nobody is going to answer would keep the process waiting until the time-out.
        if (const HWND box = FindWindowMatching({L"#32770", L"*", session.pid})) {
            const std::wstring caption = CaptionOf(box);
            const std::wstring text = BoxText(box);
            WriteLine(stdout, L"box: " + caption + L": " + text);
            Fail(expected, L"unexpected message box " + Quoted(caption) + L": " + Quoted(text));
        }
        if (GetTickCount64() >= deadline) {
            TerminateProcess(session.process.get(), kTerminatedExitCode);
            WaitForSingleObject(session.process.get(), kTerminateWaitMs);
            Fail(expected, L"still running after " + std::to_wstring(timeoutMs) +
                               L" ms, so the driver terminated it");
        }
    }
}

std::wstring Hex(DWORD value) {
    wchar_t text[16] = {};
    swprintf(text, 16, L"0x%08X", static_cast<unsigned>(value));
    return text;
}

std::wstring DescribeRect(const RECT& rect) {
    return L"at " + std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L" size " +
           std::to_wstring(rect.right - rect.left) + L"x" + std::to_wstring(rect.bottom - rect.top);
}

RECT ExpectedRect(Args args) {
    if (args.size() != 4) {
        Fail(L"X Y WIDTH HEIGHT", std::to_wstring(args.size()) + L" numbers");
    }
    const auto x = static_cast<int>(Number(args[0]));
    const auto y = static_cast<int>(Number(args[1]));
    return {x, y, x + static_cast<int>(Number(args[2])), y + static_cast<int>(Number(args[3]))};
}

std::wstring DescribeLooks(DWORD style, DWORD exStyle, const RECT& rect) {
    return L"style " + Hex(style) + L" ex " + Hex(exStyle) + L" " + DescribeRect(rect);
}

// Compares what was seen of a window with what the script expects, after printing it.
void ExpectLooks(const std::wstring& what, DWORD style, DWORD exStyle, const RECT& rect,
                 Args expected) {
    const std::wstring seen = DescribeLooks(style, exStyle, rect);
    WriteLine(stdout, what + L": " + seen);
    const std::wstring wanted =
        DescribeLooks(Number(expected[0]), Number(expected[1]), ExpectedRect(expected.subspan(2)));
    if (seen != wanted) {
        Fail(wanted, seen);
    }
}

// Windows add WS_VISIBLE on showing and WS_CLIPSIBLINGS to every top-level window, and
// WS_EX_WINDOWEDGE to every one with a caption or a dialog frame: the rest is what the program
// asked for. Whether the window is visible is checked on its own.
constexpr DWORD kAddedStyles = WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr DWORD kAddedExStyles = WS_EX_WINDOWEDGE;

void ExpectWindow(Session& session, Args args) {
    const HWND window = AwaitVisibleWindow(session, args[0], args[1],
                                           OptionalNumber(args, 8, kDefaultWindowTimeoutMs));
    RECT rect{};
    GetWindowRect(window, &rect);
    ExpectLooks(L"window: " + args[0] + L" " + Quoted(args[1]),
                static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & ~kAddedStyles,
                static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)) & ~kAddedExStyles, rect,
                args.subspan(2, 6));
}

// Waits up to the default time-out for the state, since a posted click takes effect later. The
// rectangle counts when the script gives one.
void ExpectVisibility(Session& session, Args args) {
    const bool placed = args.size() > 3;
    const std::wstring wanted =
        args[2] + (placed ? L" " + DescribeRect(ExpectedRect(args.subspan(3))) : L"");
    const std::wstring state = AwaitState(kDefaultWindowTimeoutMs, wanted, [&] {
        const HWND window = FindWindowMatching({args[0], args[1], session.pid}, false);
        RECT rect{};
        GetWindowRect(window, &rect);
        const std::wstring seen = window == nullptr         ? L"none"
                                  : IsWindowVisible(window) ? L"visible"
                                                            : L"hidden";
        return placed && window != nullptr ? seen + L" " + DescribeRect(rect) : seen;
    });
    WriteLine(stdout, L"visibility: " + args[0] + L" " + Quoted(args[1]) + L": " + state);
    if (state != wanted) {
        Fail(args[0] + L" " + Quoted(args[1]) + L" " + wanted, state);
    }
}

// "main": the thread the process started with; "ui": the one that owns its QuillGuard windows.
// Holding them lets a screenshot catch a state that passes in a moment.
UniqueKernelHandle ThreadOf(const Session& session, const std::wstring& which) {
    if (which != L"main" && which != L"ui") {
        Fail(L"main or ui", Quoted(which));
    }
    if (which == L"main") {
        HANDLE copy = nullptr;
        DuplicateHandle(GetCurrentProcess(), session.mainThread.get(), GetCurrentProcess(), &copy,
                        0, FALSE, DUPLICATE_SAME_ACCESS);
        return UniqueKernelHandle(copy);
    }
    const HWND window = FindWindowMatching({L"QuillGuard", L"*", session.pid}, false);
    const DWORD thread = window ? GetWindowThreadProcessId(window, nullptr) : 0;
    return UniqueKernelHandle(thread ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread) : nullptr);
}

void SuspendOrResume(Session& session, Args args, bool suspend) {
    const UniqueKernelHandle thread = ThreadOf(session, args[0]);
    const DWORD result = thread
                             ? (suspend ? SuspendThread(thread.get()) : ResumeThread(thread.get()))
                             : static_cast<DWORD>(-1);
    if (result == static_cast<DWORD>(-1)) {
        Fail(L"to " + std::wstring(suspend ? L"suspend" : L"resume") + L" the " + args[0] +
                 L" thread",
             L"error " + std::to_wstring(GetLastError()));
    }
    WriteLine(stdout, std::wstring(suspend ? L"suspend: " : L"resume: ") + args[0]);
}

// The INDEXth control of the window, in the order the program created them.
HWND ControlOf(const Session& session, const std::wstring& caption, const std::wstring& index) {
    const std::vector<HWND> controls = Windows(AwaitVisibleWindow(session, L"*", caption));
    const DWORD wanted = Number(index);
    if (wanted >= controls.size()) {
        Fail(L"control " + index + L" of " + Quoted(caption),
             std::to_wstring(controls.size()) + L" controls");
    }
    return controls[wanted];
}

void ExpectControl(Session& session, Args args) {
    const HWND control = ControlOf(session, args[0], args[1]);
    const std::wstring text = FullTextOf(control);
    WriteLine(stdout, L"control " + args[1] + L": " + ClassOf(control) + L" " + Quoted(text));
    if (!SameIgnoringCase(ClassOf(control), args[2]) || (args[3] != L"*" && text != args[3])) {
        Fail(args[2] + L" " + Quoted(args[3]), ClassOf(control) + L" " + Quoted(text));
    }
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    ExpectLooks(L"control " + args[1], static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)),
                static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE)), rect, args.subspan(4));
}

void ExpectAgreement(Session& session, Args args) {
    const std::wstring text = FullTextOf(ControlOf(session, args[0], args[1]));
    WriteLine(stdout, L"agreement: " + std::to_wstring(text.size()) + L" characters");
    if (text != quillguard::EulaText()) {
        Fail(L"the launcher's agreement, whole", Quoted(text.substr(0, 80)) + L"...");
    }
}

// A press and release of the left button in the middle of the control.
void Click(Session& session, Args args) {
    const HWND control = ControlOf(session, args[0], args[1]);
    RECT client{};
    GetClientRect(control, &client);
    const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageW(control, WM_LBUTTONUP, 0, middle);
    WriteLine(stdout, L"click: " + args[0] + L": control " + args[1]);
}

// Turns the mouse wheel over the control and pages down with its scroll bar, then waits until
// its first visible line has moved.
void Scroll(Session& session, Args args) {
    const HWND control = ControlOf(session, args[0], args[1]);
    RECT rect{};
    GetWindowRect(control, &rect);
    // Three notches toward the user: the high word of wParam is -360.
    constexpr WPARAM kWheelDown = static_cast<WPARAM>(static_cast<WORD>(-3 * WHEEL_DELTA)) << 16;
    PostMessageW(control, WM_MOUSEWHEEL, kWheelDown,
                 MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
    PostMessageW(control, WM_VSCROLL, SB_PAGEDOWN, 0);
    DWORD_PTR line = 0;
    for (const ULONGLONG deadline = GetTickCount64() + kPressTimeoutMs;
         line == 0 && GetTickCount64() < deadline; Sleep(kPollIntervalMs)) {
        SendMessageTimeoutW(control, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_ABORTIFHUNG,
                            kPressTimeoutMs, &line);
    }
    WriteLine(stdout, L"scroll: " + args[0] + L": first visible line " + std::to_wstring(line));
    if (line == 0) {
        Fail(L"the text to scroll", L"first visible line still 0");
    }
}

// "box": what the close box sends; "alt-f4": the keystroke, which the window's default
// procedure turns into the same command.
void Close(Session& session, Args args) {
    const HWND window = AwaitVisibleWindow(session, L"*", args[0]);
    if (args[1] == L"box") {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (args[1] != L"alt-f4") {
        Fail(L"box or alt-f4", Quoted(args[1]));
    } else {
        constexpr LPARAM kAltDown = 1 << 29;
        const LPARAM f4 = 1 | MapVirtualKeyW(VK_F4, MAPVK_VK_TO_VSC) << 16 | kAltDown;
        PostMessageW(window, WM_SYSKEYDOWN, VK_F4, f4);
        PostMessageW(window, WM_SYSKEYUP, VK_F4, f4 | 3u << 30);
    }
    WriteLine(stdout, L"close: " + args[0] + L": " + args[1]);
}

// Counts how often the window was shown and hidden, from now until the process shows a message
// box or exits; a window that does not exist yet counts as hidden.
void ExpectTransitions(Session& session, Args args) {
    HWND window = nullptr;
    DWORD showings = 0;
    DWORD hidings = 0;
    bool visible = false;
    const ULONGLONG deadline = GetTickCount64() + kDefaultExitTimeoutMs;
    for (bool last = false; !last; Sleep(1)) {
        last = FindWindowMatching({L"#32770", L"*", session.pid}) || ExitCode(session);
        if (window == nullptr) {
            window = FindWindowMatching({args[0], args[1], session.pid}, false);
        }
        const bool now = window != nullptr && IsWindowVisible(window);
        showings += !visible && now ? 1u : 0u;
        hidings += visible && !now ? 1u : 0u;
        visible = now;
        if (GetTickCount64() >= deadline) {
            Fail(L"a message box or the end of the process", L"neither");
        }
    }
    const std::wstring seen =
        std::to_wstring(showings) + L" shown, " + std::to_wstring(hidings) + L" hidden";
    WriteLine(stdout, L"transitions: " + args[0] + L" " + Quoted(args[1]) + L": " + seen);
    if (showings != Number(args[2]) || hidings != Number(args[3])) {
        Fail(args[2] + L" shown, " + args[3] + L" hidden", seen);
    }
}

// Holds the run where the script wants to act on its own (take a screenshot, start another
// program): NAME.held tells the script that the run got there, and NAME.released lets it go on.
void Hold(Session&, Args args) {
    const std::wstring held = args[0] + L".held";
    const std::wstring released = args[0] + L".released";
    const quillguard::UniqueFileHandle file(CreateFileW(
        held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Fail(L"to create " + Quoted(held), L"error " + std::to_wstring(GetLastError()));
    }
    const std::wstring state = AwaitState(kHoldTimeoutMs, L"released", [&] {
        return GetFileAttributesW(released.c_str()) == INVALID_FILE_ATTRIBUTES ? L"held"
                                                                               : L"released";
    });
    WriteLine(stdout, L"hold: " + args[0] + L": " + state);
    if (state != L"released") {
        Fail(Quoted(released), L"none within " + std::to_wstring(kHoldTimeoutMs) + L" ms");
    }
}

std::wstring HexBytes(std::span<const BYTE> bytes) {
    std::wstring text;
    for (const BYTE byte : bytes) {
        wchar_t pair[3] = {};
        swprintf(pair, 3, L"%02x", byte);
        text += pair;
    }
    return text;
}

// "none" or "TYPE HEXBYTES": the EULA value as the registry holds it.
std::wstring RecordNow() {
    quillguard::UniqueRegistryKey key;
    DWORD type = 0;
    DWORD size = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, quillguard::kEulaRecordKey, 0, KEY_READ, key.put()) !=
            ERROR_SUCCESS ||
        RegQueryValueExW(key.get(), quillguard::kEulaRecordValue, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
        return L"none";
    }
    std::vector<BYTE> data(size);
    RegQueryValueExW(key.get(), quillguard::kEulaRecordValue, nullptr, nullptr, data.data(), &size);
    return std::to_wstring(type) + L" " + HexBytes(data);
}

// Replaces the key's permissions with the ones the descriptor (in SDDL) gives.
void SetKeyPermissions(HKEY key, const wchar_t* sddl) {
    quillguard::UniqueLocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            sddl, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()),
            nullptr) ||
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.get()) != ERROR_SUCCESS) {
        Fail(L"to set the permissions " + std::wstring(sddl),
             L"error " + std::to_wstring(GetLastError()));
    }
}

// "none" removes the record; "TYPE HEXBYTES [read-only]" writes it, and "read-only" leaves a key
// that can be read (and deleted by the driver) but not written.
void SetRecord(Session&, Args args) {
    if ((args[0] == L"none") != (args.size() == 1) ||
        (args.size() == 3 && args[2] != L"read-only")) {
        Fail(L"none, or a value type, its bytes and perhaps read-only", args[0]);
    }
    {
        quillguard::UniqueRegistryKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, quillguard::kEulaRecordKey, 0, WRITE_DAC, key.put()) ==
            ERROR_SUCCESS) {
            SetKeyPermissions(key.get(), L"D:(A;;KA;;;WD)");
        }
    }
    const LSTATUS removed = RegDeleteKeyW(HKEY_CURRENT_USER, quillguard::kEulaRecordKey);
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) {
        Fail(L"to remove the record", L"error " + std::to_wstring(removed));
    }
    if (args[0] != L"none") {
        std::vector<BYTE> data;
        for (std::size_t i = 0; i + 1 < args[1].size(); i += 2) {
            data.push_back(
                static_cast<BYTE>(std::wcstoul(args[1].substr(i, 2).c_str(), nullptr, 16)));
        }
        quillguard::UniqueRegistryKey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, quillguard::kEulaRecordKey, 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS ||
            RegSetValueExW(key.get(), quillguard::kEulaRecordValue, 0, Number(args[0]), data.data(),
                           static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
            Fail(L"to write the record", L"error " + std::to_wstring(GetLastError()));
        }
        if (args.size() == 3) {
            // Everyone may read, change the permissions and delete; nobody may write.
            SetKeyPermissions(key.get(), L"D:P(A;;KRWDSD;;;WD)");
        }
    }
    WriteLine(stdout, L"record set: " + RecordNow());
}

// Waits up to the default time-out, since the launcher writes the record after a posted click.
void ExpectRecord(Session&, Args args) {
    const std::wstring wanted = args.size() == 1 ? args[0] : args[0] + L" " + args[1];
    const std::wstring now = AwaitState(kDefaultWindowTimeoutMs, wanted, RecordNow);
    WriteLine(stdout, L"record: " + now);
    if (now != wanted) {
        Fail(L"record " + wanted, now);
    }
}

struct Verb {
    std::wstring_view name;
    std::size_t least;  // how many arguments it takes
    std::size_t most;
    std::wstring_view usage;
    void (*run)(Session&, Args);
};

constexpr std::size_t kAny = 1000;

constexpr std::array kVerbs{
    Verb{L"hold-mutex", 1, 1, L"NAME", HoldMutex},
    Verb{L"expect-mutex", 2, 3, L"NAME held|free [TIMEOUT_MS]", ExpectMutex},
    Verb{L"start", 1, kAny, L"EXE [ARG...]", Start},
    Verb{L"start-raw", 2, 2, L"EXE COMMANDLINE",
         [](Session& session, Args args) { Launch(session, args[0], args[1]); }},
    Verb{L"in-folder", 1, 1, L"FOLDER (where later starts run)", InFolder},
    Verb{L"expect-box", 2, 3, L"CAPTION TEXT [TIMEOUT_MS]", ExpectBox},
    Verb{L"press", 2, 2, L"CAPTION BUTTON_TEXT", Press},
    Verb{L"expect-exit", 1, 2, L"CODE [TIMEOUT_MS]", ExpectExit},
    Verb{L"hold", 1, 1, L"NAME (makes NAME.held, goes on once NAME.released exists)", Hold},
    Verb{L"expect-window", 8, 9, L"CLASS CAPTION STYLE EXSTYLE X Y WIDTH HEIGHT [TIMEOUT_MS]",
         ExpectWindow},
    Verb{L"expect-visibility", 3, 7, L"CLASS CAPTION visible|hidden|none [X Y WIDTH HEIGHT]",
         ExpectVisibility},
    Verb{L"expect-transitions", 4, 4,
         L"CLASS CAPTION SHOWN HIDDEN (until a message box or the exit)", ExpectTransitions},
    Verb{L"expect-control", 10, 10, L"CAPTION INDEX CLASS TEXT|* STYLE EXSTYLE X Y WIDTH HEIGHT",
         ExpectControl},
    Verb{L"expect-agreement", 2, 2, L"CAPTION INDEX (the control holds the agreement)",
         ExpectAgreement},
    Verb{L"click", 2, 2, L"CAPTION INDEX", Click},
    Verb{L"scroll", 2, 2, L"CAPTION INDEX", Scroll},
    Verb{L"close", 2, 2, L"CAPTION box|alt-f4", Close},
    Verb{L"suspend", 1, 1, L"main|ui (a thread of the started process)",
         [](Session& session, Args args) { SuspendOrResume(session, args, true); }},
    Verb{L"resume", 1, 1, L"main|ui",
         [](Session& session, Args args) { SuspendOrResume(session, args, false); }},
    Verb{L"pause", 1, 1, L"MS", [](Session&, Args args) { Sleep(Number(args[0])); }},
    Verb{L"set-record", 1, 3, L"none|TYPE HEXBYTES [read-only]", SetRecord},
    Verb{L"expect-record", 1, 2, L"none|TYPE HEXBYTES", ExpectRecord},
};

const Verb* FindVerb(const std::vector<std::wstring>& words) {
    for (const Verb& verb : kVerbs) {
        if (!words.empty() && words.front() == verb.name && words.size() > verb.least &&
            words.size() <= verb.most + 1) {
            return &verb;
        }
    }
    return nullptr;
}

std::wstring DescribeStep(std::size_t index, const std::vector<std::wstring>& words) {
    std::wstring text = L"step " + std::to_wstring(index + 1) + L":";
    for (std::size_t i = 0; i < words.size(); ++i) {
        text += L" " + (i == 0 ? words[i] : Quoted(words[i]));
    }
    return words.empty() ? text + L" (empty)" : text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Window rectangles in the monitor's own pixels, whatever its DPI.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    // Plain "\n" line ends, whatever reads the log.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    std::vector<std::vector<std::wstring>> scripted(1);
    for (int i = 1; i < argc; ++i) {
        if (std::wstring_view(argv[i]) == L"--") {
            scripted.emplace_back();
        } else {
            scripted.back().emplace_back(argv[i]);
        }
    }
    std::vector<const Verb*> verbs;
    for (std::size_t i = 0; i < scripted.size(); ++i) {
        verbs.push_back(FindVerb(scripted[i]));
        if (verbs.back() == nullptr) {
            WriteLine(stderr, L"ui_driver: malformed " + DescribeStep(i, scripted[i]));
            WriteLine(stderr, L"usage: ui_driver STEP [-- STEP]..., each STEP one of:");
            for (const Verb& known : kVerbs) {
                WriteLine(stderr,
                          L"  " + std::wstring(known.name) + L" " + std::wstring(known.usage));
            }
            return 2;
        }
    }

    Session session;
    for (std::size_t i = 0; i < scripted.size(); ++i) {
        try {
            verbs[i]->run(session, Args(scripted[i]).subspan(1));
        } catch (const StepFailure& failure) {
            WriteLine(stderr, L"ui_driver: failed " + DescribeStep(i, scripted[i]));
            WriteLine(stderr, L"  expected: " + failure.expected);
            WriteLine(stderr, L"  seen:     " + failure.seen);
            return 1;
        }
    }
    return 0;
}
