#pragma once

#include <string>
#include <utility>

#include "base/instance_lock.h"
#include "base/unique_handle.h"

namespace quillguard {

// The instance lock as a named mutex in the logon session's namespace.
class Win32InstanceLock final : public InstanceLock {
  public:
    // CreateMutexW's shape; tests pass a stand-in for the answers wine cannot give.
    using CreateMutexCall = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR);

    explicit Win32InstanceLock(std::wstring name, CreateMutexCall createMutex = ::CreateMutexW)
        : name_(std::move(name)), createMutex_(createMutex) {}

    bool Acquire() override;
    void Release() override;

  private:
    std::wstring name_;
    CreateMutexCall createMutex_;
    UniqueKernelHandle mutex_;
};

}  // namespace quillguard
