#pragma once

namespace quillguard {

// The lock that lets one launcher run per logon session. The main flow takes it and hands it to
// the flows that may end the process, so that they can let a successor take it first.
class InstanceLock {
  public:
    virtual ~InstanceLock() = default;

    // True when this process may go on: it holds the lock. False when another process holds it,
    // or when the lock cannot be had at all.
    virtual bool Acquire() = 0;
    // Releases the lock if held; a second call does nothing.
    virtual void Release() = 0;
};

}  // namespace quillguard
