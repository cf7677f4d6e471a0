#include <windows.h>

#include <algorithm>
#include <utility>

#include "base/readable_file.h"
#include "base/unique_handle.h"

namespace quillguard {

struct ReadableFile::Handle {
    UniqueFileHandle file;
};

ReadableFile::ReadableFile(const std::filesystem::path& path) {
    // FILE_SHARE_READ only: nobody may change or replace the file while its digest is taken.
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        lastError_ = ::GetLastError();
        return;
    }
    handle_ = std::make_unique<Handle>(Handle{std::move(file)});
}

ReadableFile::~ReadableFile() = default;

std::optional<std::size_t> ReadableFile::Read(void* buffer, std::size_t size) {
    DWORD received = 0;
    const auto request = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
    if (!::ReadFile(handle_->file.get(), buffer, request, &received, nullptr)) {
        lastError_ = ::GetLastError();
        return std::nullopt;
    }
    return received;
}

bool ReadableFile::Seek(std::int64_t offset, SeekOrigin origin) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(handle_->file.get(), distance, nullptr,
                            origin == SeekOrigin::Start ? FILE_BEGIN : FILE_CURRENT)) {
        lastError_ = ::GetLastError();
        return false;
    }
    return true;
}

std::string ReadableFile::LastErrorText() const {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(lastError_), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    const UniqueLocalMemory owner(text);
    std::string message = length > 0 ? std::string(text, length) : std::string();
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message + " (error " + std::to_string(lastError_) + ")";
}

}  // namespace quillguard
