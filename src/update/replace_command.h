#pragma once

#include <string>
#include <string_view>

#include "base/processes.h"

namespace quillguard {

// Prefixes every character that cmd.exe gives a meaning to on a command line (& | < > ^ ( ) % !
// and the double quote) with a caret, so that the text reaches the program cmd.exe starts exactly
// as given: no argument can run a command, redirect output or name a variable.
std::wstring EscapeForCommandInterpreter(std::wstring_view text);

// The command that finishes a self-update once the launcher has exited: wait two seconds, copy
// the verified download over the launcher, delete the download, start the launcher again with
// the arguments it was given (already quoted and joined; escaped here). The interpreter runs
// with /d (no AutoRun commands from the registry), /s (only the outer quotes are removed) and
// /v:off (no delayed expansion), and timeout is named by its path in the system folder, so
// neither the machine's settings nor a file beside the launcher can change what runs.
std::wstring BuildReplaceCommand(const std::wstring& tempFile, const std::wstring& launcherPath,
                                 const std::wstring& arguments, const std::wstring& systemFolder);

// Starts the command with the system folder's cmd.exe, hidden, and does not wait for it; false
// when it cannot be started.
bool StartReplaceCommand(const std::wstring& command, const std::wstring& systemFolder,
                         Processes& processes);

}  // namespace quillguard
