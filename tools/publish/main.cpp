// The publisher tool: turns launcher builds, client libraries and game executables into what the
// update server serves.
#include <filesystem>
#include <iostream>
#include <vector>

#include "publish/publish_command.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    const std::vector<std::filesystem::path> arguments(argv + 1, argv + argc);
    return quillguard::publish::RunPublishCommand(arguments, std::cout, std::cerr);
}
