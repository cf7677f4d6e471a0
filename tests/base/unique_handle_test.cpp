#include "base/unique_handle.h"

#include <gtest/gtest.h>

namespace quillguard {
namespace {

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != 0;
}

// Closing on every return path is why the type exists; that reset keeps the caller's last error
// is what lets a failing function close its handles before it reports.
TEST(UniqueHandleTest, ClosesWhatItOwnsAndKeepsTheLastError) {
    HANDLE raw = nullptr;
    {
        UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        raw = event.get();
        ASSERT_TRUE(IsOpen(raw));
        ::SetLastError(ERROR_ACCESS_DENIED);
        event.reset();
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_FALSE(IsOpen(raw));
        event.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        raw = event.get();
    }
    EXPECT_FALSE(IsOpen(raw));
}

}  // namespace
}  // namespace quillguard
