#pragma once

#include <string>
#include <vector>

namespace quillguard::testing {

// The calls that the fakes saw, in order, across every seam that shares the log.
using CallLog = std::vector<std::wstring>;

}  // namespace quillguard::testing
