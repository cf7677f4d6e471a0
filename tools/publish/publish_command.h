#pragma once

#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace quillguard::publish {

// Runs one command of the publisher tool with its arguments (the command name first) and returns
// the exit status: 0 when every file was handled, 1 when any failed, 2 on a usage error. Results
// go to out, one line a file; problems go to err, naming the file and the reason.
int RunPublishCommand(std::span<const std::filesystem::path> arguments, std::ostream& out,
                      std::ostream& err);

}  // namespace quillguard::publish
