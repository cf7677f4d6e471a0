#include "base/readable_file.h"

namespace quillguard {

std::optional<std::size_t> ReadableFile::ReadFully(void* buffer, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t total = 0;
    while (total < size) {
        const auto received = Read(bytes + total, size - total);
        if (!received) {
            return std::nullopt;
        }
        if (*received == 0) {
            break;
        }
        total += *received;
    }
    return total;
}

bool ReadableFile::SeekFromStart(std::int64_t offset) {
    return Seek(offset, SeekOrigin::Start);
}

bool ReadableFile::SeekForward(std::int64_t offset) {
    return Seek(offset, SeekOrigin::Current);
}

}  // namespace quillguard
