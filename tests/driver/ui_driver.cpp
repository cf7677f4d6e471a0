// Plays the person in front of the launcher for the end-to-end tests: runs a script of steps
// (starting programs, answering message boxes, looking at windows, waiting for the script)
// separated by a lone "--", and stops at the first step that does not see what it expects. Every
// step that looks at something asks again until it sees what it expects or its time is up, and
// then prints what it saw last.
// Exit status: 0 all steps passed, 1 a step failed, 2 the script is malformed.
#include <windows.h>

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

namespace {

using quillguard::UniqueKernelHandle;
using Args = std::span<const std::wstring>;

constexpr DWORD kPollIntervalMs = 50;
constexpr DWORD kDefaultTimeoutMs = 15000;
constexpr DWORD kDefaultExitTimeoutMs = 30000;
constexpr DWORD kTerminateWaitMs = 5000;
// How long a message to another process's window may take; a click whose handler opens a nested
// modal dialog only returns once that closes, and past this the driver carries on.
constexpr UINT kSendTimeoutMs = 5000;
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

// Decimal, possibly negative (a coordinate), or hexadecimal after "0x" (styles).
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

    UniqueKernelHandle process;
    UniqueKernelHandle mainThread;
    DWORD pid = 0;         // 0 until a process is started: windows of any process are then accepted
    std::wstring folder;   // where programs start; empty: the program's own folder
    std::wstring desktop;  // where programs start; empty: the driver's own desktop
};

std::optional<DWORD> ExitCode(const Session& session) {
    DWORD code = 0;
    if (WaitForSingleObject(session.process.get(), 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(session.process.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

// Asks the probe until it sees what is wanted or the time is up, and returns what it saw last.
// With `untilExit`, a started process that has ended ends the wait after one more look: its
// windows cannot come back.
template <typename Probe>
std::wstring AwaitSeen(const Session* untilExit, DWORD timeoutMs, const std::wstring& wanted,
                       Probe probe) {
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; Sleep(kPollIntervalMs)) {
        const bool ended = untilExit != nullptr && untilExit->process && ExitCode(*untilExit);
        std::wstring seen = probe();
        if (seen == wanted || ended || GetTickCount64() >= deadline) {
            return seen;
        }
    }
}

// Prints what the step saw and fails unless it is what was wanted.
void Report(const std::wstring& what, const std::wstring& wanted, const std::wstring& seen) {
    WriteLine(stdout, what + L": " + seen);
    if (seen != wanted) {
        Fail(what + L": " + wanted, seen);
    }
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
// stored caption, which an edit control does not keep. Empty when the control does not answer in
// time, which the polling callers ask again about.
std::wstring FullTextOf(HWND control) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    text.resize(copied);
    return text;
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

// What stands in for a window that is not there: which ones are.
std::wstring NoWindow(const Session& session, const WindowQuery& query) {
    std::wstring text = L"no visible window of class " + Quoted(query.className) + L" captioned " +
                        Quoted(query.caption) + L"; visible windows:";
    for (const HWND window : FindWindows({L"*", L"*", query.pid})) {
        text += L" " + ClassOf(window) + L" " + Quoted(CaptionOf(window));
    }
    if (const std::optional<DWORD> code = ExitCode(session)) {
        text += L"; the process exited with code " + std::to_wstring(*code);
    }
    return text;
}

// Waits for a visible window that the check finds as wanted, and returns it. The check gives
// what it sees of a window; `wanted` is what it should see.
template <typename Check>
HWND AwaitWindow(const Session& session, const std::wstring& what, const WindowQuery& query,
                 DWORD timeoutMs, const std::wstring& wanted, Check check) {
    HWND last = nullptr;
    const std::wstring seen = AwaitSeen(&session, timeoutMs, wanted, [&] {
        last = FindWindowMatching(query);
        return last == nullptr ? NoWindow(session, query) : check(last);
    });
    Report(what, wanted, seen);
    return last;
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
    startup.lpDesktop = session.desktop.empty() ? nullptr : session.desktop.data();
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

// Moves the driver, and the programs it starts from then on, to the desktop NAME. Under wine, a
// desktop given a size (HKCU\Software\Wine\Explorer\Desktops) draws its windows' frames and
// captions as Windows does.
void OnDesktop(Session& session, Args args) {
    const HDESK desktop =
        CreateDesktopW(args[0].c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop == nullptr || !SetThreadDesktop(desktop)) {
        Fail(L"to move to desktop " + Quoted(args[0]), L"error " + std::to_wstring(GetLastError()));
    }
    session.desktop = args[0];
    WriteLine(stdout, L"desktop: " + session.desktop);
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
    Report(L"mutex " + args[0], args[1],
           AwaitSeen(nullptr, OptionalNumber(args, 2, kDefaultTimeoutMs), args[1],
                     [&] { return MutexState(args[0]); }));
}

void ExpectBox(Session& session, Args args) {
    AwaitWindow(
        session, L"box " + Quoted(args[0]), {L"#32770", args[0], session.pid},
        OptionalNumber(args, 2, kDefaultTimeoutMs), L"text " + Quoted(args[1]),
        [](HWND box) { return L"text " + Quoted(FullTextOf(GetDlgItem(box, kMessageTextId))); });
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

void Press(Session& session, Args args) {
    const std::wstring label = WithoutAccelerators(args[1]);
    const WindowQuery query{L"*", args[0], session.pid};
    HWND button = nullptr;
    Report(L"button " + Quoted(label) + L" of " + Quoted(args[0]), L"there",
           AwaitSeen(&session, kDefaultTimeoutMs, L"there", [&] {
               for (const HWND window : FindWindows(query)) {
                   if ((button = FindButton(window, label)) != nullptr) {
                       return std::wstring(L"there");
                   }
               }
               return NoWindow(session, query);
           }));
    // Sent, not posted: once a message box has handled the click it is hidden, so the next step
    // cannot mistake it for one still waiting.
    const auto command = MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED);
    SendMessageTimeoutW(GetParent(button), WM_COMMAND, command, reinterpret_cast<LPARAM>(button),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
    WriteLine(stdout, L"press: " + args[0] + L": " + label);
}

void ExpectExit(Session& session, Args args) {
    const DWORD wanted = Number(args[0]);
    const DWORD timeoutMs = OptionalNumber(args, 1, kDefaultExitTimeoutMs);
    const std::wstring expected = L"exit code " + std::to_wstring(wanted);
    if (!session.process) {
        Fail(expected, L"no process was started");
    }
    const std::wstring seen = AwaitSeen(&session, timeoutMs, expected, [&] {
        if (const std::optional<DWORD> code = ExitCode(session)) {
            return L"exit code " + std::to_wstring(*code);
        }
        // A box nobody is going to answer would keep the process waiting until the time-out.
        if (const HWND box = FindWindowMatching({L"#32770", L"*", session.pid})) {
            return L"still running, showing the box " + Quoted(CaptionOf(box)) + L": " +
                   Quoted(FullTextOf(GetDlgItem(box, kMessageTextId)));
        }
        return std::wstring(L"still running");
    });
    if (!ExitCode(session)) {
        TerminateProcess(session.process.get(), kTerminatedExitCode);
        WaitForSingleObject(session.process.get(), kTerminateWaitMs);
    }
    Report(L"exit", expected, seen);
}

// Ends the started process, which must still be running, as a crash or a killed task would.
void Terminate(Session& session, Args) {
    if (!session.process || ExitCode(session) ||
        !TerminateProcess(session.process.get(), kTerminatedExitCode)) {
        Fail(L"a running process to end", L"none");
    }
    WaitForSingleObject(session.process.get(), kTerminateWaitMs);
    WriteLine(stdout, L"terminate: pid " + std::to_wstring(session.pid));
}

// Waits for a file matching the pattern (wildcards in its last part) to exist.
void ExpectFile(Session&, Args args) {
    Report(L"file " + args[0], L"there", AwaitSeen(nullptr, kDefaultExitTimeoutMs, L"there", [&] {
               WIN32_FIND_DATAW found{};
               const HANDLE search = FindFirstFileW(args[0].c_str(), &found);
               if (search == INVALID_HANDLE_VALUE) {
                   return std::wstring(L"not there");
               }
               FindClose(search);
               return std::wstring(L"there");
           }));
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

// What the script expects of a window's looks: STYLE EXSTYLE X Y WIDTH HEIGHT.
std::wstring ExpectedLooks(Args args) {
    return DescribeLooks(Number(args[0]), Number(args[1]), ExpectedRect(args.subspan(2)));
}

// Windows add WS_VISIBLE on showing and WS_CLIPSIBLINGS to every top-level window, and
// WS_EX_WINDOWEDGE to every one with a caption or a dialog frame: the rest is what the program
// asked for. Whether the window is visible is checked on its own.
constexpr DWORD kAddedStyles = WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr DWORD kAddedExStyles = WS_EX_WINDOWEDGE;

void ExpectWindow(Session& session, Args args) {
    AwaitWindow(session, L"window " + args[0] + L" " + Quoted(args[1]),
                {args[0], args[1], session.pid}, OptionalNumber(args, 8, kDefaultTimeoutMs),
                ExpectedLooks(args.subspan(2, 6)), [](HWND window) {
                    RECT rect{};
                    GetWindowRect(window, &rect);
                    return DescribeLooks(
                        static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & ~kAddedStyles,
                        static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)) & ~kAddedExStyles,
                        rect);
                });
}

// The rectangle counts when the script gives one; a window never shown counts too.
void ExpectVisibility(Session& session, Args args) {
    const bool placed = args.size() > 3;
    const std::wstring wanted =
        args[2] + (placed ? L" " + DescribeRect(ExpectedRect(args.subspan(3))) : L"");
    Report(L"visibility " + args[0] + L" " + Quoted(args[1]), wanted,
           AwaitSeen(nullptr, kDefaultTimeoutMs, wanted, [&] {
               const HWND window = FindWindowMatching({args[0], args[1], session.pid}, false);
               RECT rect{};
               GetWindowRect(window, &rect);
               const std::wstring seen = window == nullptr         ? L"none"
                                         : IsWindowVisible(window) ? L"visible"
                                                                   : L"hidden";
               return placed && window != nullptr ? seen + L" " + DescribeRect(rect) : seen;
           }));
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

// Whether the window is in front and active; when not, hands it the front afresh. Wine draws a
// caption active only when its window gains the front, and a window still being shown can be
// left in front but inactive; a message box in front can even keep a grey caption, so the one
// in front is told to draw its frame as the active window it is. Only the pictures depend on it.
std::wstring InFront(HWND window) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    if (GetForegroundWindow() == window && thread.hwndActive == window) {
        SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
        return L"in front";
    }
    SetForegroundWindow(GetDesktopWindow());
    SetForegroundWindow(window);
    return L"behind";
}

// Holds the run where the script wants to act on its own (take a screenshot, start another
// program): NAME.held tells the script that the run got there, and NAME.released lets it go on.
// Given a caption, the started program's visible window with it is brought to the front first,
// and NAME.held holds its rectangle on the screen: X Y WIDTH HEIGHT.
void Hold(Session& session, Args args) {
    std::string rect;
    if (args.size() > 1) {
        const WindowQuery query{L"*", args[1], session.pid};
        const HWND window = AwaitWindow(session, L"front " + Quoted(args[1]), query,
                                        kDefaultTimeoutMs, L"in front", InFront);
        RECT r{};
        GetWindowRect(window, &r);
        rect = std::to_string(r.left) + " " + std::to_string(r.top) + " " +
               std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top) + "\n";
    }
    const std::wstring held = args[0] + L".held";
    const std::wstring released = args[0] + L".released";
    const quillguard::UniqueFileHandle file(CreateFileW(
        held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), rect.data(), static_cast<DWORD>(rect.size()), &written, nullptr)) {
        Fail(L"to write " + Quoted(held), L"error " + std::to_wstring(GetLastError()));
    }
    Report(L"hold " + args[0], L"released", AwaitSeen(nullptr, kHoldTimeoutMs, L"released", [&] {
               return std::wstring(GetFileAttributesW(released.c_str()) == INVALID_FILE_ATTRIBUTES
                                       ? L"held"
                                       : L"released");
           }));
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
    Verb{L"expect-mutex", 2, 3, L"NAME held|free [TIMEOUT_MS]", ExpectMutex},
    Verb{L"start", 1, kAny, L"EXE [ARG...]", Start},
    Verb{L"start-raw", 2, 2, L"EXE COMMANDLINE",
         [](Session& session, Args args) { Launch(session, args[0], args[1]); }},
    Verb{L"in-folder", 1, 1, L"FOLDER (where later starts run)", InFolder},
    Verb{L"desktop", 1, 1, L"NAME (where the driver and later starts run)", OnDesktop},
    Verb{L"expect-box", 2, 3, L"CAPTION TEXT [TIMEOUT_MS]", ExpectBox},
    Verb{L"press", 2, 2, L"CAPTION BUTTON_TEXT", Press},
    Verb{L"expect-exit", 1, 2, L"CODE [TIMEOUT_MS]", ExpectExit},
    Verb{L"terminate", 0, 0, L"(the started process, still running)", Terminate},
    Verb{L"expect-file", 1, 1, L"PATTERN", ExpectFile},
    Verb{L"hold", 1, 2, L"NAME [CAPTION] (makes NAME.held, goes on once NAME.released exists)",
         Hold},
    Verb{L"expect-window", 8, 9, L"CLASS CAPTION STYLE EXSTYLE X Y WIDTH HEIGHT [TIMEOUT_MS]",
         ExpectWindow},
    Verb{L"expect-visibility", 3, 7, L"CLASS CAPTION visible|hidden|none [X Y WIDTH HEIGHT]",
         ExpectVisibility},
    Verb{L"suspend", 1, 1, L"main|ui (a thread of the started process)",
         [](Session& session, Args args) { SuspendOrResume(session, args, true); }},
    Verb{L"resume", 1, 1, L"main|ui",
         [](Session& session, Args args) { SuspendOrResume(session, args, false); }},
    Verb{L"pause", 1, 1, L"MS", [](Session&, Args args) { Sleep(Number(args[0])); }},
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
