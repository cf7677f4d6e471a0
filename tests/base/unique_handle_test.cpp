#include "base/unique_handle.h"

#include <gtest/gtest.h>

#include <utility>

namespace quillguard {
namespace {

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != 0;
}

UniqueKernelHandle NewEvent() {
    return UniqueKernelHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

TEST(UniqueHandleTest, ClosesExactlyWhatItOwnsAndKeepsTheLastError) {
    HANDLE raw = nullptr;
    {
        const UniqueKernelHandle event = NewEvent();
        raw = event.get();
        ASSERT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw));

    // Moving transfers ownership; the handle that a move replaces is closed.
    UniqueKernelHandle first = NewEvent();
    raw = first.get();
    UniqueKernelHandle second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(second.get(), raw);
    UniqueKernelHandle third = NewEvent();
    const HANDLE replaced = third.get();
    third = std::move(second);
    EXPECT_TRUE(IsOpen(raw));
    EXPECT_FALSE(IsOpen(replaced));

    ::SetLastError(ERROR_ACCESS_DENIED);
    third.reset();
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(third.valid());
    EXPECT_FALSE(IsOpen(raw));

    UniqueKernelHandle kept = NewEvent();
    raw = kept.release();
    EXPECT_FALSE(kept.valid());
    EXPECT_TRUE(IsOpen(raw));
    ::CloseHandle(raw);
}

}  // namespace
}  // namespace quillguard
