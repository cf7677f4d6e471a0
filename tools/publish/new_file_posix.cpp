#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "publish/new_file.h"

namespace quillguard::publish {

std::optional<FileProblem> WriteNewFile(const std::filesystem::path& path, std::string_view bytes,
                                        Readers readers) {
    const mode_t mode = readers == Readers::kOwnerOnly ? 0600 : 0644;
    // O_EXCL also refuses a symbolic link planted at path, wherever it points.
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (file < 0) {
        return FileProblem{path, "cannot create: " + std::generic_category().message(errno)};
    }
    // The umask may only take bits away; a private key must not depend on it either way.
    bool good = readers != Readers::kOwnerOnly || ::fchmod(file, 0600) == 0;
    for (std::size_t at = 0; good && at < bytes.size();) {
        const ssize_t written = ::write(file, bytes.data() + at, bytes.size() - at);
        good = written > 0;
        at += good ? static_cast<std::size_t>(written) : 0;
    }
    const int error = errno;
    good = ::close(file) == 0 && good;
    if (!good) {
        Remove(path);
        return FileProblem{path, "cannot write: " + std::generic_category().message(error)};
    }
    return std::nullopt;
}

}  // namespace quillguard::publish
