#pragma once

#include "base/instance_lock.h"
#include "support/call_log.h"

namespace quillguard::testing {

// An instance lock that another launcher may already hold.
class FakeInstanceLock final : public InstanceLock {
  public:
    FakeInstanceLock(CallLog& log, bool heldElsewhere = false)
        : log_(log), heldElsewhere_(heldElsewhere) {}

    bool Acquire() override {
        log_.push_back(L"acquire");
        return !heldElsewhere_;
    }
    void Release() override { log_.push_back(L"release"); }

  private:
    CallLog& log_;
    bool heldElsewhere_;
};

}  // namespace quillguard::testing
