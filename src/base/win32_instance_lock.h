#pragma once

#include <string>
#include <utility>

#include "base/instance_lock.h"
#include "base/unique_handle.h"

namespace quillguard {

// The instance lock as a named mutex in the logon session's namespace.
class Win32InstanceLock final : public InstanceLock {
  public:
    explicit Win32InstanceLock(std::wstring name) : name_(std::move(name)) {}

    bool Acquire() override;
    void Release() override;

  private:
    std::wstring name_;
    UniqueKernelHandle mutex_;
};

}  // namespace quillguard
