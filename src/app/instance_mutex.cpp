#include "app/instance_mutex.h"

#include <utility>

#include "app/unique_handle.h"

namespace quillguard {
namespace {

// Process-wide: taken at start, released by the main flow or just before an elevated hand-over.
UniqueKernelHandle& InstanceMutex() {
    static UniqueKernelHandle instanceMutex;
    return instanceMutex;
}

}  // namespace

bool AcquireInstanceMutex() {
    // No "Global\" prefix: each logon session has its own launcher.
    UniqueKernelHandle mutex(::CreateMutexW(nullptr, TRUE, kInstanceMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        return false;
    }
    InstanceMutex() = std::move(mutex);
    return true;
}

void ReleaseInstanceMutex() {
    UniqueKernelHandle& instanceMutex = InstanceMutex();
    if (instanceMutex) {
        ::ReleaseMutex(instanceMutex.get());
        instanceMutex.reset();
    }
}

}  // namespace quillguard
