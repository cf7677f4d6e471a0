#include "update/replace_command.h"

namespace quillguard {

std::wstring EscapeForCommandInterpreter(std::wstring_view text) {
    constexpr std::wstring_view kSpecial = L"&|<>^()%!\"";
    std::wstring escaped;
    escaped.reserve(text.size() * 2);
    for (const wchar_t c : text) {
        if (kSpecial.find(c) != std::wstring_view::npos) {
            escaped.push_back(L'^');
        }
        escaped.push_back(c);
    }
    return escaped;
}

std::wstring BuildReplaceCommand(const std::wstring& tempFile, const std::wstring& launcherPath,
                                 const std::wstring& arguments, const std::wstring& systemFolder) {
    std::wstring command = L"cmd.exe /d /s /v:off /c \"\"" + systemFolder +
                           L"\\timeout.exe\" /t 2 /nobreak >nul && copy /y \"" + tempFile +
                           L"\" \"" + launcherPath + L"\" >nul && del \"" + tempFile +
                           L"\" && start \"\" \"" + launcherPath + L"\"";
    if (!arguments.empty()) {
        command += L' ' + EscapeForCommandInterpreter(arguments);
    }
    return command + L"\"";
}

bool StartReplaceCommand(const std::wstring& command, const std::wstring& systemFolder,
                         Processes& processes) {
    return processes.StartHidden(systemFolder + L"\\cmd.exe", command);
}

}  // namespace quillguard
