#include "base/win32_instance_lock.h"

#include <gtest/gtest.h>

#include <string>

namespace quillguard {
namespace {

// What an unelevated launcher gets on Windows for the mutex of an elevated one: wine has no
// integrity levels, so this stand-in for CreateMutexW gives the answer.
HANDLE WINAPI AccessDenied(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

TEST(Win32InstanceLockTest, OneHolderAtATimeAndNoneWhenTheMutexCannotBeHad) {
    const std::wstring name = L"QuillGuardLockTest" + std::to_wstring(::GetCurrentProcessId());
    Win32InstanceLock first(name);
    Win32InstanceLock second(name);
    ASSERT_TRUE(first.Acquire());
    EXPECT_FALSE(second.Acquire());
    first.Release();
    first.Release();
    EXPECT_TRUE(second.Acquire());
    second.Release();
    EXPECT_FALSE(Win32InstanceLock(name, AccessDenied).Acquire());
}

}  // namespace
}  // namespace quillguard
