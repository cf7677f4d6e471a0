#include "base/forwarded_arguments.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstddef>
#include <span>

#include "base/quote_argument.h"
#include "base/unique_handle.h"

namespace quillguard {

std::wstring GetForwardedArguments() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const UniqueLocalMemory argumentsOwner(arguments);
    if (arguments == nullptr || count < 2) {
        return {};
    }
    const std::span<const wchar_t* const> all(arguments, static_cast<std::size_t>(count));
    return JoinQuotedArguments(all.subspan(1));
}

}  // namespace quillguard
