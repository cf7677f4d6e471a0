#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "publish/fetch_file.h"

extern char** environ;

namespace quillguard::publish {

std::optional<std::string> FetchFile(const std::string& url, const std::filesystem::path& target) {
    // curl is on every Linux build server; https only, redirects included, so that a fetched file
    // came the way a player's would.
    std::string output = target.string();
    std::vector<std::string> arguments = {
        "curl",          "--silent", "--show-error", "--fail", "--location", "--proto", "=https",
        "--proto-redir", "=https",   "--output",     output,   "--",         url};
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    const int error = ::posix_spawnp(&child, "curl", nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
        return std::string("cannot be fetched: curl cannot be started: ") + std::strerror(error);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "cannot be fetched: curl exit status " +
               std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return std::nullopt;
}

}  // namespace quillguard::publish
