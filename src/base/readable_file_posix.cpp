#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "base/readable_file.h"

namespace quillguard {

struct ReadableFile::Handle {
    explicit Handle(int descriptor) : fd(descriptor) {}
    ~Handle() { ::close(fd); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    int fd;
};

ReadableFile::ReadableFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = static_cast<unsigned long>(errno);
        return;
    }
    handle_ = std::make_unique<Handle>(fd);
}

ReadableFile::~ReadableFile() = default;

std::optional<std::size_t> ReadableFile::Read(void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t received =
            ::read(handle_->fd, buffer, std::min<std::size_t>(size, SSIZE_MAX));
        if (received >= 0) {
            return static_cast<std::size_t>(received);
        }
        if (errno != EINTR) {
            lastError_ = static_cast<unsigned long>(errno);
            return std::nullopt;
        }
    }
}

bool ReadableFile::Seek(std::int64_t offset, SeekOrigin origin) {
    if (::lseek(handle_->fd, static_cast<off_t>(offset),
                origin == SeekOrigin::Start ? SEEK_SET : SEEK_CUR) < 0) {
        lastError_ = static_cast<unsigned long>(errno);
        return false;
    }
    return true;
}

std::string ReadableFile::LastErrorText() const {
    return std::strerror(static_cast<int>(lastError_));
}

}  // namespace quillguard
