#pragma once

#include <string>

namespace quillguard {

// The full path of the running executable, however long; empty when the system cannot report it.
std::wstring GetLauncherPath();

}  // namespace quillguard
