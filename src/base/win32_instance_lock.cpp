#include "base/win32_instance_lock.h"

namespace quillguard {

bool Win32InstanceLock::Acquire() {
    // No "Global\" prefix: each logon session has its own launcher.
    UniqueKernelHandle mutex(::CreateMutexW(nullptr, TRUE, name_.c_str()));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        return false;
    }
    mutex_ = std::move(mutex);
    return true;
}

void Win32InstanceLock::Release() {
    if (mutex_) {
        ::ReleaseMutex(mutex_.get());
        mutex_.reset();
    }
}

}  // namespace quillguard
