#include "base/win32_instance_lock.h"

namespace quillguard {

bool Win32InstanceLock::Acquire() {
    // No "Global\" prefix: each logon session has its own launcher.
    UniqueKernelHandle mutex(createMutex_(nullptr, TRUE, name_.c_str()));
    // A mutex that exists but cannot be opened ("access denied": an elevated launcher holds it)
    // is another launcher as surely as one that opens; and a launcher that cannot make sure it
    // is alone does not run, since two would update the same files at once.
    if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) {
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
