#pragma once

#include <windows.h>

namespace quillguard::testing {

// Stands in for any Windows call that a test makes fail: ERROR_NOT_ENOUGH_MEMORY and the call's
// failure value (null, FALSE).
template <typename Result, typename... Arguments>
Result WINAPI FailWithNoMemory(Arguments...) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return Result{};
}

}  // namespace quillguard::testing
