#pragma once

#include <string_view>

namespace quillguard {

// The agreement the EULA window shows: ASCII, its lines separated by CR LF; its data is
// null-terminated.
std::wstring_view EulaText();

}  // namespace quillguard
