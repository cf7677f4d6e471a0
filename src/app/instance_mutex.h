#pragma once

namespace quillguard {

inline constexpr wchar_t kInstanceMutexName[] = L"QuillGuardLauncherMutex";

// Creates and takes the named single-instance mutex. Returns false only when another process
// already has it; any other failure lets the launcher run unguarded and returns true.
bool AcquireInstanceMutex();

// Releases and closes the mutex taken by AcquireInstanceMutex; does nothing when none is held,
// so calling it twice is harmless.
void ReleaseInstanceMutex();

}  // namespace quillguard
