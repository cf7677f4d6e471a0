#pragma once

#include <span>
#include <string>

namespace quillguard {

// Asks a launcher for the update alone: the copy that a launcher which cannot write beside
// itself starts through the consent prompt. It never reaches the game.
inline constexpr wchar_t kUpdateOnlySwitch[] = L"--quillguard-update-only";

// What the launcher knows of itself: read once at its entry and handed to the flows.
struct LauncherFacts {
    std::wstring path;         // its own full path; empty when the system cannot report it
    std::wstring commandLine;  // the command line it was started with, as it is
    // Its arguments after the program name but the update-only switch, re-quoted and joined by
    // single spaces: what the game and an elevated copy receive.
    std::wstring forwardedArguments;
    bool updateOnly = false;  // the update-only switch was among its arguments
};

// The facts from the launcher's path, its command line and that line's arguments as the system
// splits them, the program name first.
LauncherFacts MakeLauncherFacts(std::wstring path, std::wstring commandLine,
                                std::span<const wchar_t* const> arguments);

}  // namespace quillguard
