#pragma once

#include <filesystem>
#include <ostream>
#include <span>

namespace quillguard::publish {

// Runs one command of the publisher tool with its arguments (the command name first) and returns
// the exit status: 0 on success, 1 when a file or the tree had a problem, 2 on a usage error.
// Results go to out; problems go to err, each naming its file and the reason.
int RunPublishCommand(std::span<const std::filesystem::path> arguments, std::ostream& out,
                      std::ostream& err);

}  // namespace quillguard::publish
