#pragma once

#include <string>

namespace quillguard {

// The launcher's own arguments after the program name, each re-quoted and joined by single
// spaces, ready to go into a new command line. Empty when there are none or the command line
// cannot be split.
std::wstring GetForwardedArguments();

}  // namespace quillguard
